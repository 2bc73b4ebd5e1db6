#pragma once

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The command line the tools share, read by CLI11: -h/--help prints the tool's options, --version
// prints "TOOL (Grovewright) VERSION", and a command line that is not understood ends the run with
// "TOOL: REASON (see --help)" on standard error and exit status 2.

// A tool's command line as it was read.
template <typename Options>
struct ParsedCommandLine {
    Options options;
    std::string error;   // why the command line was not understood; empty when it was
    std::string output;  // the help or version text asked for; the run then ends after it
};

// The arguments after the program name.
inline std::vector<std::string_view> ToolArguments(int argc, char** argv) {
    return std::vector<std::string_view>(argv + 1, argv + argc);
}

// An option whose value `read` takes, giving the reason when it cannot ("" when it took it).
inline CLI::Option* AddValueOption(CLI::App& app, const std::string& name, const std::string& valueName,
                                   const std::string& help,
                                   std::function<std::string(const std::string&)> read) {
    return app
        .add_option_function<std::string>(
            name,
            [name, read](const std::string& value) {
                if (const std::string why = read(value); !why.empty()) {
                    throw CLI::ValidationError(name, why);
                }
            },
            help)
        ->type_name(valueName);
}

// Reads the arguments with the tool's app, which names the tool and holds its options, into `parsed`.
template <typename Options>
void ReadToolCommandLine(CLI::App& app, std::span<const std::string_view> arguments,
                         ParsedCommandLine<Options>& parsed) {
    app.set_version_flag("--version", app.get_name() + " (Grovewright) " GROVEWRIGHT_VERSION);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.output = app.help();
    } catch (const CLI::CallForVersion& version) {
        parsed.output = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& failure) {
        parsed.error = failure.what();
    }
}

// Ends the run where the command line says so: after the reason it was not understood on standard
// error (exit status 2), or after the help or version text (0). Nothing when the tool goes on.
template <typename Options>
std::optional<int> CommandLineExit(const char* tool, const ParsedCommandLine<Options>& parsed) {
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s (see --help)\n", tool, parsed.error.c_str());
        return 2;
    }
    if (!parsed.output.empty()) {
        std::fputs(parsed.output.c_str(), stdout);
        return 0;
    }
    return std::nullopt;
}
