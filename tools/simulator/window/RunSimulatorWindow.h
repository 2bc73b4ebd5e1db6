#pragma once

#include <string>

#include "tools/simulator/ServerThread.h"
#include "tools/simulator/SimulatorOptions.h"

// Runs the simulator with its window until the window is closed or the server ends (quit on the
// console, a stop signal). The server must be listening and not yet started; console commands are
// read from standard input unless the options say otherwise. Gives the exit status.
int RunSimulatorWindow(const char* program, ServerThread& server, int stop, const SimulatorOptions& options,
                       const std::string& socketPath);
