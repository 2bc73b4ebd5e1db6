#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/simulator/SimulatorProcess.h"

// Starts the stand-in simulator built with these tests.
std::unique_ptr<SimulatorProcess> StartSimulator(const std::vector<std::string>& arguments = {});
