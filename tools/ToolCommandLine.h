#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The command line the tools share, read by CLI11: -h/--help prints the tool's options, --version
// prints "TOOL (Grovewright) VERSION", and a command line that is not understood ends the run with
// "TOOL: REASON (see --help)" on standard error and exit status 2.
//
// CLI11 is header-only and slow to compile; only ToolCommandLine.cpp includes it, so that it is
// compiled once for all the tools and never by their other files.

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

// One tool's options: named by the tool, described in its help, then read once.
class ToolCommandLine {
public:
    // Takes an option's value, giving the reason when it cannot ("" when it took it).
    using ValueReader = std::function<std::string(const std::string&)>;

    ToolCommandLine(const std::string& tool, const std::string& description);
    ~ToolCommandLine();
    ToolCommandLine(const ToolCommandLine&) = delete;
    ToolCommandLine& operator=(const ToolCommandLine&) = delete;

    // The text after the options in the help.
    void SetFooter(const std::string& footer);
    void AddValueOption(const std::string& name, const std::string& valueName, const std::string& help,
                        ValueReader read);
    void AddTextOption(const std::string& name, const std::string& valueName, const std::string& help,
                       std::string& value);
    // A text option that takes one of `choices` only.
    void AddChoiceOption(const std::string& name, const std::string& valueName, const std::string& help,
                         std::string& value, const std::vector<std::string>& choices);
    // Flags take no value: `--flag=false` is refused.
    void AddFlag(const std::string& name, const std::string& help, bool& value);
    void AddFlagAction(const std::string& name, const std::string& help, std::function<void()> act);
    // Everything from the first word that is no option on is left to the tool, even a word that
    // starts with a dash; RemainingWords() gives it after the reading.
    void KeepWordsAfterOptions();
    std::vector<std::string> RemainingWords() const;

    // Reads the arguments into `parsed`'s error or output; the options' readers fill its options.
    template <typename Options>
    void Read(std::span<const std::string_view> arguments, ParsedCommandLine<Options>& parsed) {
        Read(arguments, parsed.error, parsed.output);
    }

private:
    void Read(std::span<const std::string_view> arguments, std::string& error, std::string& output);

    struct Parser;
    std::unique_ptr<Parser> parser;
};

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
