#pragma once

#include <string>
#include <string_view>

#include "tools/simulator/AnswerMode.h"
#include "tools/simulator/SimulatorState.h"

// One command read on the stand-in simulator's standard input and the one line it answers with
// (empty for a blank line, which is not a command).
struct ConsoleReply {
    std::string line;
    bool quit = false;
};

ConsoleReply RunConsoleCommand(std::string_view command, SimulatorState& state, AnswerMode& mode);

// "position LAT LON" with the position a link reads now.
std::string PositionLine(const SimulatorState& state);
