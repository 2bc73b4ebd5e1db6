#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The start-up the tools share: their arguments, and the runs that end with the command line itself.

// A tool's command line as its parser read it.
template <typename Options>
struct ParsedCommandLine {
    Options options;
    bool showHelp = false;
    std::string error;  // empty when the command line was understood
};

// The arguments after the program name.
inline std::vector<std::string_view> ToolArguments(int argc, char** argv) {
    return std::vector<std::string_view>(argv + 1, argv + argc);
}

// Ends the run where the parsed command line says so: after the reason it was not understood on
// standard error (exit code 2), or after the help text (0). Nothing when the tool goes on.
template <typename Options>
std::optional<int> CommandLineExit(const char* tool, const ParsedCommandLine<Options>& parsed,
                                   std::string (*usage)()) {
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s (see --help)\n", tool, parsed.error.c_str());
        return 2;
    }
    if (parsed.showHelp) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    return std::nullopt;
}
