#include "tools/ToolCommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdint>

struct ToolCommandLine::Parser {
    Parser(const std::string& tool, const std::string& description) : app(description, tool) {}

    CLI::App app;
};

ToolCommandLine::ToolCommandLine(const std::string& tool, const std::string& description)
    : parser(std::make_unique<Parser>(tool, description)) {}

ToolCommandLine::~ToolCommandLine() = default;

void ToolCommandLine::SetFooter(const std::string& footer) {
    parser->app.footer(footer);
}

void ToolCommandLine::AddValueOption(const std::string& name, const std::string& valueName,
                                     const std::string& help, ValueReader read) {
    parser->app
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

void ToolCommandLine::AddTextOption(const std::string& name, const std::string& valueName,
                                    const std::string& help, std::string& value) {
    parser->app.add_option(name, value, help)->type_name(valueName);
}

void ToolCommandLine::AddChoiceOption(const std::string& name, const std::string& valueName,
                                      const std::string& help, std::string& value,
                                      const std::vector<std::string>& choices) {
    parser->app.add_option(name, value, help)->type_name(valueName)->check(CLI::IsMember(choices));
}

void ToolCommandLine::AddFlag(const std::string& name, const std::string& help, bool& value) {
    parser->app.add_flag(name, value, help)->disable_flag_override();
}

void ToolCommandLine::AddFlagAction(const std::string& name, const std::string& help,
                                    std::function<void()> act) {
    parser->app
        .add_flag_function(
            name, [act](std::int64_t) { act(); }, help)
        ->disable_flag_override();
}

void ToolCommandLine::KeepWordsAfterOptions() {
    parser->app.prefix_command();
}

std::vector<std::string> ToolCommandLine::RemainingWords() const {
    return parser->app.remaining();
}

void ToolCommandLine::Read(std::span<const std::string_view> arguments, std::string& error,
                           std::string& output) {
    CLI::App& app = parser->app;
    app.set_version_flag("--version", app.get_name() + " (Grovewright) " GROVEWRIGHT_VERSION);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        output = app.help();
    } catch (const CLI::CallForVersion& version) {
        output = std::string(version.what()) + "\n";
    } catch (const CLI::ParseError& failure) {
        error = failure.what();
    }
}
