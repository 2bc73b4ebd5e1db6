// The stand-in simulator's pieces: serving an area, moving the aircraft, its commands and options.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "simlink/AircraftPosition.h"
#include "simlink/IpcLink.h"
#include "tools/simulator/ConsoleCommands.h"
#include "tools/simulator/ServeRequestArea.h"
#include "tools/simulator/SimulatorOptions.h"
#include "tools/simulator/SimulatorState.h"

namespace {

using RequestArea::Area;

class ServeRequestAreaTest : public ::testing::Test {
protected:
    Area Whole() { return Area{bytes.data(), RequestArea::areaSize}; }
    std::uint32_t Word(std::uint32_t at) const { return RequestArea::LoadWord(bytes.data() + at); }

    std::array<std::byte, RequestArea::areaSize> bytes{};
    SimulatorState simulator{0x19980005, 7};
};

TEST_F(ServeRequestAreaTest, PerformsRecordsInOrderAndKeepsTheVersionWords) {
    const std::array<std::byte, 2> clientVersion{std::byte{0xEC}, std::byte{0x03}};
    const std::uint32_t ground = 1234;
    std::uint32_t at = RequestArea::PutWrite(bytes.data(), IpcLink::clientVersionOffset, 2, clientVersion.data());
    at += RequestArea::PutRead(bytes.data() + at, IpcLink::simulatorVersionOffset, 4, 1);
    at += RequestArea::PutWrite(bytes.data() + at, 0x0020, 4, &ground);
    at += RequestArea::PutRead(bytes.data() + at, 0x0020, 4, 2);
    at += RequestArea::PutRead(bytes.data() + at, 0xFFFE, 4, 3);  // half beyond the offset space
    RequestArea::PutEndMarker(bytes.data() + at);
    bytes[at - 4] = std::byte{0x77};

    ASSERT_TRUE(ServeRequestArea(Whole(), simulator.Offsets()));
    EXPECT_EQ(Word(14 + 16), 0xFADE0007u);
    EXPECT_EQ(Word(14 + 20 + 16 + 16), 1234u);
    EXPECT_EQ(Word(at - 4), 0u);
    EXPECT_EQ(simulator.ClientVersion(), 1004);
    EXPECT_EQ(Word(14 + 12), 1u);  // headers stay as they were
}

TEST_F(ServeRequestAreaTest, RefusesAreasThatDoNotHoldTogether) {
    struct Case {
        const char* name;
        std::uint32_t firstKind;
        std::uint32_t firstSize;
    };
    const Case cases[] = {
        {"UnknownKind", 3, 4},
        {"ReadPastTheArea", 1, RequestArea::areaSize},
        {"WritePastTheArea", 2, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        bytes.fill(std::byte{0});
        RequestArea::StoreWord(bytes.data(), c.firstKind);
        RequestArea::StoreWord(bytes.data() + 8, c.firstSize);
        EXPECT_FALSE(ServeRequestArea(Whole(), simulator.Offsets())) << c.name;
    }
    // An area full of zero-size writes never meets its end.
    for (std::uint32_t at = 0; at + 12 <= RequestArea::areaSize; at += 12) {
        RequestArea::PutWrite(bytes.data() + at, 0x4000, 0, nullptr);
    }
    RequestArea::StoreWord(bytes.data() + RequestArea::areaSize - 8, 2);
    EXPECT_FALSE(ServeRequestArea(Whole(), simulator.Offsets()));
}

constexpr double metresPerDegree = 6371000.0 * std::numbers::pi / 180.0;

TEST(SimulatorState, SlewsOverTheSphere) {
    struct Case {
        double latitude, longitude, north, east, expectedLatitude, expectedLongitude;
    };
    const Case cases[] = {
        {47.5, 8.25, 1000, 0, 47.5 + 1000 / metresPerDegree, 8.25},
        {60.0, 10.0, 0, 1000, 60.0, 10.0 + 1000 / (metresPerDegree * 0.5)},
        {-10.0, -20.0, -500, -250, -10.0 - 500 / metresPerDegree,
         -20.0 - 250 / (metresPerDegree * std::cos((-10.0 - 500 / metresPerDegree) * std::numbers::pi / 180))},
        {89.99, 0.0, 5000, 0, 90.0, 0.0},                          // held at the pole
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
    struct Case {
        const char* command;
        const char* reply;
    };
    const Case cases[] = {
        {"position", "position 47.500000000000 8.250000000000"},
        {"  position   -33.5\t151.25 ", "position -33.500000000000 151.250000000000"},
        {"position 91 0", "error position takes LAT (-90..90) and LON (-180..180) in degrees"},
        {"position 1,5 2", "error position takes LAT (-90..90) and LON (-180..180) in degrees"},
        {"position 10", "error position takes LAT (-90..90) and LON (-180..180) in degrees"},
        {"slew 0 0", "position -33.500000000000 151.250000000000"},
        {"slew north 5", "error slew takes NORTH and EAST in metres"},
        {"ground 12.5", "ground 12.50"},
        {"ground high", "error ground takes METRES"},
        {"answer never", "answer never"},
        {"answer slow 250", "answer slow 250"},
        {"answer slow", "error answer takes normal, never, zero, or slow MS"},
        {"answer normal", "answer normal"},
        {"", ""},
        {"fly", "error unknown command fly; commands: position, slew, ground, answer, quit"},
        {"quit", "quit"},
    };
    SimulatorState simulator(0x19980005, 7);
    simulator.PutAircraft(47.5, 8.25);
    AnswerMode mode;
    for (const Case& c : cases) {
        const ConsoleReply reply = RunConsoleCommand(c.command, simulator, mode);
        EXPECT_EQ(reply.line, c.reply) << c.command;
        EXPECT_EQ(reply.quit, std::string(c.command) == "quit");
    }
    EXPECT_EQ(mode.kind, AnswerMode::Normal);
    RunConsoleCommand("answer slow 250", simulator, mode);
    EXPECT_EQ(mode.kind, AnswerMode::Slow);
    EXPECT_EQ(mode.delayMs, 250u);
    EXPECT_DOUBLE_EQ(simulator.GroundAltitude(), 12.5);
}

TEST(SimulatorOptions, ReadsTheCommandLine) {
    const std::vector<std::string_view> arguments = {"--latitude", "-12.5", "--class=FS98MAIN",
                                                     "--server-version=0x19980004", "--slow", "300"};
    const ParsedSimulatorOptions parsed = ParseSimulatorOptions(arguments);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.latitude, -12.5);
    EXPECT_EQ(parsed.options.windowClass, "FS98MAIN");
    EXPECT_EQ(parsed.options.serverVersion, 0x19980004u);
    EXPECT_EQ(parsed.options.answerMode.delayMs, 300u);
}

TEST(SimulatorOptions, RefusesWhatItCannotServe) {
    const std::vector<std::vector<std::string_view>> refused = {
        {"--latitude"},        {"--latitude", "95"},         {"--longitude", "east"},
        {"--class", "OTHER"},  {"--server-version", "0x1FFFFFFFF"}, {"--simulator-version", "70000"},
        {"--slow", "-5"},      {"--never-answer=yes"},        {"--fly"},
    };
    for (const auto& arguments : refused) {
        EXPECT_NE(ParseSimulatorOptions(arguments).error, "") << arguments.front();
    }
    const std::vector<std::string_view> help = {"--help"};
    EXPECT_TRUE(ParseSimulatorOptions(help).showHelp);
}

}  // namespace
