// A simulator that stops answering costs the link nine full time-outs on the real transport.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "simlink/AircraftPosition.h"
#include "simlink/IpcLink.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

using namespace std::chrono_literals;

TEST(PosixLinkTimeout, SilentSimulatorTimesOutAfterNineAttempts) {
    ScratchRuntimeFolder folder;
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    ASSERT_EQ(simulator->Command("answer never"), "answer never");
    std::uint64_t latitude = 0x5A5A5A5A5A5A5A5Aull;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(link.GetResult(), IpcResult::TimedOut);
    EXPECT_GE(took, 18900ms);
    EXPECT_LT(took, 25s);
    EXPECT_EQ(latitude, 0x5A5A5A5A5A5A5A5Aull);

    // Answers to the abandoned requests are skipped once it answers again.
    ASSERT_EQ(simulator->Command("answer normal"), "answer normal");
    ASSERT_TRUE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude)) << link.GetResultText();
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(static_cast<std::int64_t>(latitude)), 47.5);
    link.Close();
    EXPECT_TRUE(RequestAreasOf(getpid()).empty());
}

}  // namespace
