#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/simulator/SimulatorProcess.h"

// Starts the stand-in simulator built with these tests.
std::unique_ptr<SimulatorProcess> StartSimulator(const std::vector<std::string>& arguments = {});

// The link request areas of a process that exist in the shared-memory file system.
std::vector<std::string> RequestAreasOf(pid_t process);
