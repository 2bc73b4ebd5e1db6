#include "tools/simulator/SimulatorOptions.h"

#include <charconv>
#include <cmath>

namespace {

bool ParseDouble(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc() && end == text.data() + text.size() && !text.empty() && std::isfinite(value);
}

// Splits "--name=value" into its parts; for "--name" the value comes from the next argument.
struct Option {
    std::string_view name;
    std::string_view value;
    bool hasValue = false;
};

Option Split(std::string_view argument) {
    const auto equals = argument.find('=');
    if (equals == std::string_view::npos) {
        return Option{argument, {}, false};
    }
    return Option{argument.substr(0, equals), argument.substr(equals + 1), true};
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

bool ParseDegrees(std::string_view text, double& value) { return ParseDouble(text, value); }

ParsedSimulatorOptions ParseSimulatorOptions(std::span<const std::string_view> arguments) {
    ParsedSimulatorOptions parsed;
    SimulatorOptions& options = parsed.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        Option option = Split(arguments[i]);
        const auto takeValue = [&]() {
            if (!option.hasValue && i + 1 < arguments.size()) {
                option.value = arguments[++i];
                option.hasValue = true;
            }
            return option.hasValue;
        };
        const auto fail = [&](const std::string& why) {
            parsed.error = why;
            return parsed;
        };
        std::uint64_t number = 0;
        if (option.name == "--help" || option.name == "-h") {
            parsed.showHelp = true;
        } else if (option.name == "--latitude") {
            if (!takeValue() || !ParseDouble(option.value, options.latitude) || std::fabs(options.latitude) > 90.0) {
                return fail("--latitude needs degrees from -90 to 90");
            }
        } else if (option.name == "--longitude") {
            if (!takeValue() || !ParseDouble(option.value, options.longitude) ||
                std::fabs(options.longitude) > 180.0) {
                return fail("--longitude needs degrees from -180 to 180");
            }
        } else if (option.name == "--ground") {
            if (!takeValue() || !ParseDouble(option.value, options.groundAltitude) ||
                std::fabs(options.groundAltitude) > 100000.0) {
                return fail("--ground needs metres");
            }
        } else if (option.name == "--class") {
            if (!takeValue() || (option.value != "UIPCMAIN" && option.value != "FS98MAIN")) {
                return fail("--class takes UIPCMAIN or FS98MAIN");
            }
            options.windowClass = option.value;
        } else if (option.name == "--server-version") {
            if (!takeValue() || !ParseUnsigned(option.value, number) || number > 0xFFFFFFFFu) {
                return fail("--server-version needs a 32-bit number, such as 0x19980005");
            }
            options.serverVersion = static_cast<std::uint32_t>(number);
        } else if (option.name == "--simulator-version") {
            if (!takeValue() || !ParseUnsigned(option.value, number) || number > 0xFFFFu) {
                return fail("--simulator-version needs a number from 0 to 65535");
            }
            options.simulatorVersion = static_cast<std::uint16_t>(number);
        } else if (option.name == "--never-answer" && !option.hasValue) {
            options.answerMode = AnswerMode{AnswerMode::Never, 0};
        } else if (option.name == "--answer-zero" && !option.hasValue) {
            options.answerMode = AnswerMode{AnswerMode::Zero, 0};
        } else if (option.name == "--slow") {
            if (!takeValue() || !ParseUnsigned(option.value, number) || number > 600000) {
                return fail("--slow needs milliseconds, at most 600000");
            }
            options.answerMode = AnswerMode{AnswerMode::Slow, static_cast<std::uint32_t>(number)};
        } else if (option.name == "--no-commands" && !option.hasValue) {
            options.readCommands = false;
        } else if (option.name == "--headless" && !option.hasValue) {
            options.headless = true;
        } else {
            return fail("unknown option " + std::string(arguments[i]));
        }
    }
    return parsed;
}

std::string SimulatorUsage() {
    return R"(Usage: grovewright-sim [options]

A stand-in for FS2004 with FSUIPC: serves the simulator link's offsets over a local socket named
after the window class in $XDG_RUNTIME_DIR (else /tmp/grovewright-<user>). When a display is
present (DISPLAY or WAYLAND_DISPLAY set) it shows a window for moving the aircraft; closing the
window ends it.

Options:
  --latitude DEG          start latitude, north positive (default 47.5)
  --longitude DEG         start longitude, east positive (default 8.25)
  --ground METRES         ground altitude (default 400)
  --class NAME            window class to serve: UIPCMAIN (default) or FS98MAIN
  --server-version N      FSUIPC version word at 0x3304 (default 0x39990000)
  --simulator-version N   simulator version in the word at 0x3308 (default 7, FS2004)
  --never-answer          take every request and never answer
  --answer-zero           answer every request with 0
  --slow MS               answer every request after MS milliseconds
  --no-commands           do not read commands; serve until a signal
  --headless              no window, even when a display is present
  -h, --help              show this text

Commands on standard input, one per line, each answered by one line on standard output:
  position                  prints "position LAT LON"
  position LAT LON          puts the aircraft there; prints "position LAT LON"
  slew NORTH EAST           moves the aircraft by metres (negative: south, west); prints the position
  ground METRES             sets the ground altitude; prints "ground METRES"
  answer normal|never|zero  changes how requests are answered; prints "answer MODE"
  answer slow MS            answers after MS milliseconds; prints "answer slow MS"
  quit                      ends the simulator; prints "quit"
Failures print "error TEXT". At start it prints "ready CLASS SOCKET" and the position. It ends on
quit, end of input or SIGINT/SIGTERM/SIGHUP, and removes its socket.
)";
}
