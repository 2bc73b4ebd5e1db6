// The stand-in simulator's pieces: moving the aircraft, its commands and options.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tools/simulator/ConsoleCommands.h"
#include "tools/simulator/SimulatorOptions.h"

namespace {

TEST(SimulatorState, SlewsOverTheSphere) {
    constexpr double metresPerDegree = SimulatorState::earthRadiusMetres * std::numbers::pi / 180.0;
    struct Case {
        double latitude, longitude, north, east, expectedLatitude, expectedLongitude;
    };
    const Case cases[] = {
        {47.5, 8.25, 1000, 0, 47.5 + 1000 / metresPerDegree, 8.25},
        {60.0, 10.0, 0, 1000, 60.0, 10.0 + 1000 / (metresPerDegree * 0.5)},
        {-10.0, -20.0, -500, -250, -10.0 - 500 / metresPerDegree,
         -20.0 -
             250 / (metresPerDegree * std::cos((-10.0 - 500 / metresPerDegree) * std::numbers::pi / 180))},
        {89.99, 0.0, 5000, 0, 90.0, 0.0},                        // held at the pole
        {0.0, 179.99, 0, 0.04 * metresPerDegree, 0.0, -179.97},  // across the antimeridian
    };
    for (const Case& c : cases) {
        SimulatorState simulator(0x19980005, 7);
        simulator.PutAircraft(c.latitude, c.longitude);
        simulator.Slew(c.north, c.east);
        EXPECT_NEAR(simulator.Latitude(), c.expectedLatitude, 1e-9) << c.latitude << " " << c.north;
        EXPECT_NEAR(simulator.Longitude(), c.expectedLongitude, 1e-9) << c.longitude << " " << c.east;
    }
}

TEST(ConsoleCommands, AnswerEachCommandWithOneLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"  position   -33.5\t151.25 ", "position -33.500000000000 151.250000000000"},
        {"position 91 0", "error position takes LAT (-90..90) and LON (-180..180) in degrees"},
        {"position 1,5 2", "error position takes LAT (-90..90) and LON (-180..180) in degrees"},
        {"slew 0 0", "position -33.500000000000 151.250000000000"},
        {"slew north 5", "error slew takes NORTH and EAST in metres"},
        {"ground 12.5", "ground 12.50"},
        {"heading 90", "heading 90.000000"},
        {"heading 361", "error heading takes DEG (0..360)"},
        {"heading 360", "heading 0.000000"},
        {"heading 271.5", "heading 271.500000"},
        {"answer slow", "error answer takes normal, never, zero, or slow MS"},
        {"answer slow 250", "answer slow 250"},
        {"", ""},
        {"fly", "error unknown command fly; commands: position, slew, ground, heading, answer, quit"},
        {"quit", "quit"},
    };
    SimulatorState simulator(0x19980005, 7);
    AnswerMode mode;
    for (const auto& [command, reply] : cases) {
        const ConsoleReply answered = RunConsoleCommand(command, simulator, mode);
        EXPECT_EQ(answered.line, reply) << command;
        EXPECT_EQ(answered.quit, std::string(command) == "quit");
    }
    EXPECT_EQ(mode.kind, AnswerMode::Slow);
    EXPECT_EQ(mode.delayMs, 250u);
    EXPECT_DOUBLE_EQ(simulator.GroundAltitude(), 12.5);
    EXPECT_NEAR(simulator.Heading(), 271.5, 1e-6);
}

TEST(SimulatorOptions, ReadsTheCommandLineAndRefusesWhatItCannotServe) {
    const std::vector<std::string_view> arguments = {
        "--latitude", "-12.5", "--class=FS98MAIN", "--server-version=0x19980004", "--slow", "300"};
    const ParsedSimulatorOptions parsed = ParseSimulatorOptions(arguments);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.latitude, -12.5);
    EXPECT_EQ(parsed.options.windowClass, "FS98MAIN");
    EXPECT_EQ(parsed.options.serverVersion, 0x19980004u);
    EXPECT_EQ(parsed.options.answerMode.delayMs, 300u);

    const std::vector<std::vector<std::string_view>> refused = {
        {"--latitude"},
        {"--latitude", "95"},
        {"--class", "OTHER"},
        {"--slow", "-5"},
        {"--server-version", "0x1FFFFFFFF"},
        {"--never-answer=yes"},
    };
    for (const auto& wrong : refused) {
        EXPECT_NE(ParseSimulatorOptions(wrong).error, "") << wrong.front();
    }
}

}  // namespace
