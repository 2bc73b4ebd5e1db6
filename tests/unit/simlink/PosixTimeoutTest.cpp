// A simulator that stops answering costs the link nine full time-outs on the real transport.
#include <gtest/gtest.h>

#include <chrono>

#include "simlink/ReadAircraftPosition.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

using namespace std::chrono_literals;

TEST(PosixLinkTimeout, SilentSimulatorTimesOutAfterNineAttempts) {
    ScratchRuntimeFolder folder;
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_EQ(simulator->Command("answer never"), "answer never");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadAircraftPosition(link).result, IpcResult::TimedOut);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 18900ms);
    EXPECT_LT(took, 25s);

    // Answers to the abandoned requests are skipped once it answers again.
    ASSERT_EQ(simulator->Command("answer normal"), "answer normal");
    EXPECT_DOUBLE_EQ(ReadAircraftPosition(link).latitude, 47.5);
}

}  // namespace
