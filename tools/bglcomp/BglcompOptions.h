#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ToolCommandLine.h"

// The stand-in compiler's command line: the words of the one XML file's name (a name with blanks may
// come split at them, as a shell splits it unquoted), after --help and --version.
struct BglcompOptions {
    std::vector<std::string> fileWords;
};

using ParsedBglcompOptions = ParsedCommandLine<BglcompOptions>;

// Reads the arguments after the program name; no file name is an error.
ParsedBglcompOptions ParseBglcompOptions(std::span<const std::string_view> arguments);
