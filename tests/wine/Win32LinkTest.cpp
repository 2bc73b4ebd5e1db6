// The link over the Windows transport against the Windows stand-in simulator as its own process.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "simlink/ReadAircraftPosition.h"
#include "tests/wine/SimulatorChild.h"

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<SimulatorChild> StartSimulator(const std::vector<std::string>& arguments = {}) {
    return std::make_unique<SimulatorChild>(GROVEWRIGHT_WINDOWS_SIMULATOR, arguments);
}

TEST(Win32Link, OpensWithTheHandshakeAndReadsThePositionTheSimulatorShows) {
    const auto simulator = StartSimulator({"--latitude", "-33.946", "--longitude", "151.177"});
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(7);
    ASSERT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    EXPECT_EQ(link.GetServerVersion(), 0x39990000u);
    EXPECT_EQ(link.GetSimulatorVersion(), 7u);
    AircraftPositionReading reading = ReadAircraftPosition(link);
    ASSERT_TRUE(reading.ok) << IpcResultText(reading.result);
    EXPECT_NEAR(reading.latitude, -33.946, 1e-9);
    EXPECT_NEAR(reading.longitude, 151.177, 1e-9);

    ASSERT_EQ(simulator->Command("position 12.5 -7.25"), "position 12.500000000000 -7.250000000000");
    reading = ReadAircraftPosition(link);
    ASSERT_TRUE(reading.ok) << IpcResultText(reading.result);
    EXPECT_NEAR(reading.latitude, 12.5, 1e-9);
    EXPECT_NEAR(reading.longitude, -7.25, 1e-9);
}

// WideClient serves under the older class; a failed version check there means no simulator behind it.
TEST(Win32Link, FindsTheServerUnderItsOlderClass) {
    {
        const auto simulator = StartSimulator({"--class", "FS98MAIN"});
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
        IpcLink link(7);
        EXPECT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    }
    const auto old = StartSimulator({"--class", "FS98MAIN", "--server-version", "0x19980004"});
    ASSERT_TRUE(old->IsReady()) << old->StartOutput();
    IpcLink link(0);
    EXPECT_EQ(link.GetResult(), IpcResult::SimulatorNotRunning);
}

TEST(Win32Link, NoServerWindowWithoutASimulatorAndBadDataForAnAnswerOfZero) {
    {
        IpcLink link(0);
        EXPECT_EQ(link.GetResult(), IpcResult::NoServerWindow);
    }
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    ASSERT_EQ(simulator->Command("answer zero"), "answer zero");
    std::uint32_t ground = 0xA5A5A5A5;
    EXPECT_FALSE(link.ReadAndProcess(0x0020, 4, &ground));
    EXPECT_EQ(link.GetResult(), IpcResult::BadData);
    EXPECT_EQ(ground, 0xA5A5A5A5u);
}

// Nine sends of 2 s each against a simulator that takes the message and never answers.
TEST(Win32Link, TimesOutAgainstASimulatorThatNeverAnswers) {
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    ASSERT_EQ(simulator->Command("answer never"), "answer never");
    std::uint32_t ground = 0xA5A5A5A5;
    const auto start = Clock::now();
    EXPECT_FALSE(link.ReadAndProcess(0x0020, 4, &ground));
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(link.GetResult(), IpcResult::TimedOut) << link.GetResultText();
    EXPECT_GE(waited, 9 * 2000);
    EXPECT_LT(waited, 9 * 2100 + 3000);
    EXPECT_EQ(ground, 0xA5A5A5A5u);
    ASSERT_EQ(simulator->Command("answer normal"), "answer normal");
}

}  // namespace
