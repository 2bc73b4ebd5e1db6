#include "tools/simulator/ConsoleCommands.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/simulator/SimulatorOptions.h"

namespace {

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(" \t\r", start), text.size());
        words.push_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

std::string Formatted(const char* format, double first, double second = 0.0) {
    char line[96];
    std::snprintf(line, sizeof line, format, first, second);
    return line;
}

ConsoleReply Error(std::string_view why) {
    return ConsoleReply{"error " + std::string(why), false};
}

ConsoleReply Position(const std::vector<std::string_view>& words, SimulatorState& state) {
    if (words.size() == 1) {
        return ConsoleReply{PositionLine(state), false};
    }
    double latitude = 0.0;
    double longitude = 0.0;
    if (words.size() != 3 || !ParseDegrees(words[1], latitude) || !ParseDegrees(words[2], longitude) ||
        std::fabs(latitude) > 90.0 || std::fabs(longitude) > 180.0) {
        return Error("position takes LAT (-90..90) and LON (-180..180) in degrees");
    }
    state.PutAircraft(latitude, longitude);
    return ConsoleReply{PositionLine(state), false};
}

ConsoleReply Slew(const std::vector<std::string_view>& words, SimulatorState& state) {
    double north = 0.0;
    double east = 0.0;
    // Further than around the earth is a typing mistake.
    constexpr double longest = 40075000.0;
    if (words.size() != 3 || !ParseDegrees(words[1], north) || !ParseDegrees(words[2], east) ||
        std::fabs(north) > longest || std::fabs(east) > longest) {
        return Error("slew takes NORTH and EAST in metres");
    }
    state.Slew(north, east);
    return ConsoleReply{PositionLine(state), false};
}

ConsoleReply Ground(const std::vector<std::string_view>& words, SimulatorState& state) {
    double metres = 0.0;
    if (words.size() != 2 || !ParseDegrees(words[1], metres) || std::fabs(metres) > 100000.0) {
        return Error("ground takes METRES");
    }
    state.SetGroundAltitude(metres);
    return ConsoleReply{Formatted("ground %.2f", state.GroundAltitude()), false};
}

ConsoleReply Heading(const std::vector<std::string_view>& words, SimulatorState& state) {
    double degrees = 0.0;
    if (words.size() == 1) {
        return ConsoleReply{Formatted("heading %.6f", state.Heading()), false};
    }
    if (words.size() != 2 || !ParseDegrees(words[1], degrees) || degrees < 0.0 || degrees > 360.0) {
        return Error("heading takes DEG (0..360)");
    }
    state.SetHeading(degrees);
    return ConsoleReply{Formatted("heading %.6f", state.Heading()), false};
}

ConsoleReply Answer(const std::vector<std::string_view>& words, AnswerMode& mode) {
    std::uint64_t delay = 0;
    if (words.size() == 2 && words[1] == "normal") {
        mode = AnswerMode{AnswerMode::Normal, 0};
    } else if (words.size() == 2 && words[1] == "never") {
        mode = AnswerMode{AnswerMode::Never, 0};
    } else if (words.size() == 2 && words[1] == "zero") {
        mode = AnswerMode{AnswerMode::Zero, 0};
    } else if (words.size() == 3 && words[1] == "slow" && ParseUnsigned(words[2], delay) && delay <= 600000) {
        mode = AnswerMode{AnswerMode::Slow, static_cast<std::uint32_t>(delay)};
        return ConsoleReply{"answer slow " + std::to_string(delay), false};
    } else {
        return Error("answer takes normal, never, zero, or slow MS");
    }
    return ConsoleReply{"answer " + std::string(words[1]), false};
}

}  // namespace

std::string PositionLine(const SimulatorState& state) {
    return Formatted("position %.12f %.12f", state.Latitude(), state.Longitude());
}

ConsoleReply RunConsoleCommand(std::string_view command, SimulatorState& state, AnswerMode& mode) {
    const std::vector<std::string_view> words = Words(command);
    if (words.empty()) {
        return ConsoleReply{};
    }
    const std::string_view verb = words.front();
    if (verb == "position") {
        return Position(words, state);
    }
    if (verb == "slew") {
        return Slew(words, state);
    }
    if (verb == "ground") {
        return Ground(words, state);
    }
    if (verb == "heading") {
        return Heading(words, state);
    }
    if (verb == "answer") {
        return Answer(words, mode);
    }
    if (verb == "quit" && words.size() == 1) {
        return ConsoleReply{"quit", true};
    }
    return Error("unknown command " + std::string(verb) +
                 "; commands: position, slew, ground, heading, answer, quit");
}
