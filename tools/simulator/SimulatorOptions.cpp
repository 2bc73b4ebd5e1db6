#include "tools/simulator/SimulatorOptions.h"

#include <charconv>
#include <cmath>

namespace {

bool ParseDouble(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc() && end == text.data() + text.size() && !text.empty() &&
           std::isfinite(value);
}

constexpr const char* description =
    R"(A stand-in for FS2004 with FSUIPC: serves the simulator link's offsets over a local socket named
after the window class in $XDG_RUNTIME_DIR (else /tmp/grovewright-<user>). When a display is
present (DISPLAY or WAYLAND_DISPLAY set) it shows a window for moving the aircraft; closing the
window ends it.)";

constexpr const char* footer =
    R"(Commands on standard input, one per line, each answered by one line on standard output:
  position                  prints "position LAT LON"
  position LAT LON          puts the aircraft there; prints "position LAT LON"
  slew NORTH EAST           moves the aircraft by metres (negative: south, west); prints the position
  ground METRES             sets the ground altitude; prints "ground METRES"
  answer normal|never|zero  changes how requests are answered; prints "answer MODE"
  answer slow MS            answers after MS milliseconds; prints "answer slow MS"
  quit                      ends the simulator; prints "quit"
Failures print "error TEXT". At start it prints "ready CLASS SOCKET" and the position. It ends on
quit, end of input or SIGINT/SIGTERM/SIGHUP, and removes its socket.)";

// Reads a number of at most `limit` in magnitude into `value`; `why` when the text is not one.
std::function<std::string(const std::string&)> Number(double limit, double& value, const char* why) {
    return [limit, &value, why](const std::string& text) {
        double number = 0;
        const bool ok = ParseDouble(text, number) && std::fabs(number) <= limit;
        value = ok ? number : value;
        return ok ? std::string() : std::string(why);
    };
}

// Reads a whole number, decimal or hexadecimal after 0x, up to `highest`; `why` when it is not one.
std::function<std::string(const std::string&)> Whole(std::uint64_t highest, std::uint64_t& value,
                                                     const char* why) {
    return [highest, &value, why](const std::string& text) {
        std::uint64_t number = 0;
        const bool ok = ParseUnsigned(text, number) && number <= highest;
        value = ok ? number : value;
        return ok ? std::string() : std::string(why);
    };
}

}  // namespace

bool ParseUnsigned(std::string_view text, std::uint64_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return failure == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseDegrees(std::string_view text, double& value) {
    return ParseDouble(text, value);
}

ParsedSimulatorOptions ParseSimulatorOptions(std::span<const std::string_view> arguments) {
    ParsedSimulatorOptions parsed;
    SimulatorOptions& options = parsed.options;
    std::uint64_t serverVersion = options.serverVersion;
    std::uint64_t simulatorVersion = options.simulatorVersion;
    std::uint64_t slowMs = 0;
    ToolCommandLine commandLine("grovewright-sim", description);
    commandLine.SetFooter(footer);
    commandLine.AddValueOption("--latitude", "DEG", "start latitude, north positive (default 47.5)",
                               Number(90.0, options.latitude, "needs degrees from -90 to 90"));
    commandLine.AddValueOption("--longitude", "DEG", "start longitude, east positive (default 8.25)",
                               Number(180.0, options.longitude, "needs degrees from -180 to 180"));
    commandLine.AddValueOption("--ground", "METRES", "ground altitude (default 400)",
                               Number(100000.0, options.groundAltitude, "needs metres"));
    commandLine.AddChoiceOption("--class", "NAME", "window class to serve: UIPCMAIN (default) or FS98MAIN",
                                options.windowClass, {"UIPCMAIN", "FS98MAIN"});
    commandLine.AddValueOption(
        "--server-version", "N", "FSUIPC version word at 0x3304 (default 0x39990000)",
        Whole(0xFFFFFFFFu, serverVersion, "needs a 32-bit number, such as 0x19980005"));
    commandLine.AddValueOption("--simulator-version", "N",
                               "simulator version in the word at 0x3308 (default 7, FS2004)",
                               Whole(0xFFFFu, simulatorVersion, "needs a number from 0 to 65535"));
    // The answer modes are one setting: the last one given counts.
    const auto mode = [&options](AnswerMode::Kind kind) {
        return [&options, kind] { options.answerMode = AnswerMode{kind, 0}; };
    };
    commandLine.AddFlagAction("--never-answer", "take every request and never answer",
                              mode(AnswerMode::Never));
    commandLine.AddFlagAction("--answer-zero", "answer every request with 0", mode(AnswerMode::Zero));
    commandLine.AddValueOption(
        "--slow", "MS", "answer every request after MS milliseconds", [&](const std::string& text) {
            const std::string why = Whole(600000, slowMs, "needs milliseconds, at most 600000")(text);
            options.answerMode = why.empty()
                                     ? AnswerMode{AnswerMode::Slow, static_cast<std::uint32_t>(slowMs)}
                                     : options.answerMode;
            return why;
        });
    commandLine.AddFlagAction("--no-commands", "do not read commands; serve until a signal",
                              [&options] { options.readCommands = false; });
    commandLine.AddFlag("--headless", "no window, even when a display is present", options.headless);
#ifndef _WIN32  // the Windows stand-in's window is hidden
    commandLine.AddTextOption(
        "--geometry", "GEOMETRY",
        "place the window: [WIDTHxHEIGHT][+-X+-Y], a negative offset counting from the right or bottom",
        options.geometry);
#endif
    commandLine.Read(arguments, parsed);
    options.serverVersion = static_cast<std::uint32_t>(serverVersion);
    options.simulatorVersion = static_cast<std::uint16_t>(simulatorVersion);
    return parsed;
}
