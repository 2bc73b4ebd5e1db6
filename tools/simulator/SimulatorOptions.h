#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tools/ToolCommandLine.h"
#include "tools/simulator/AnswerMode.h"

// The stand-in simulator's command line.
struct SimulatorOptions {
    double latitude = 47.5;
    double longitude = 8.25;
    double groundAltitude = 400.0;
    std::string windowClass = "UIPCMAIN";
    std::uint32_t serverVersion = 0x39990000;  // FSUIPC 3.999
    std::uint16_t simulatorVersion = 7;        // FS2004
    AnswerMode answerMode;
    bool readCommands = true;
    bool headless = false;  // no window even when a display is present
    std::string geometry;   // where the window goes, as Qt's -geometry takes it ("+0+0"); empty: anywhere
};

using ParsedSimulatorOptions = ParsedCommandLine<SimulatorOptions>;

// Reads the arguments after the program name.
ParsedSimulatorOptions ParseSimulatorOptions(std::span<const std::string_view> arguments);

// Reads a number the C way whatever the locale: decimal, or hexadecimal after 0x.
bool ParseUnsigned(std::string_view text, std::uint64_t& value);
bool ParseDegrees(std::string_view text, double& value);
