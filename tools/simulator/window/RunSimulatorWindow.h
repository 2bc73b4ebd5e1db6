#pragma once

#include <functional>
#include <string>

#include "tools/simulator/AnswerMode.h"
#include "tools/simulator/SimulatorOptions.h"
#include "tools/simulator/SimulatorState.h"

class CSimulatorWindow;
class CommandRouter;

// Runs the simulator with its window until the window is closed or the server ends (quit on the
// console, stop becoming readable). The window system comes up first, so that "ready" (announced
// once the socket listens) is never said by a simulator that then cannot show its window. Console
// commands are read from standard input unless the options say otherwise. Gives the exit status.
int RunSimulatorWindow(const char* program, SimulatorState& state, AnswerMode& mode, int stop,
                       const SimulatorOptions& options, const std::string& socketPath,
                       const std::function<void()>& announceReady);

// The window's commands go to the server, and what comes back is shown in it.
void ConnectWindow(CSimulatorWindow& window, CommandRouter& router);
