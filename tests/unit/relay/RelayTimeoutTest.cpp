// A simulator that never answers, through the relay: each of the link's nine sends is one attempt at
// the relay too, so the link gives up after nine waits of 2 s, as it does on its own transport, and the
// relay's transport skips the late answers.
#include <gtest/gtest.h>

#include <chrono>

#include "simlink/AircraftPosition.h"
#include "tests/unit/relay/RunningRelay.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

TEST(RelayTimeout, NineAttemptsOfTwoSecondsEachThenTimedOut) {
    const ScratchRuntimeFolder folder;
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    RunningRelay relay;
    const auto link = relay.Link();
    ASSERT_EQ(link->GetResult(), IpcResult::Okay) << link->GetResultText();
    ASSERT_EQ(simulator->Command("answer never"), "answer never");
    std::uint32_t ground = 0xA5A5A5A5;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link->ReadAndProcess(AircraftPosition::groundAltitudeOffset, 4, &ground));
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_EQ(link->GetResult(), IpcResult::TimedOut) << link->GetResultText();
    EXPECT_GE(waited, 9 * 2000);
    EXPECT_LT(waited, 9 * 2100 + 2000);
    EXPECT_EQ(ground, 0xA5A5A5A5u);

    // The late answers are skipped; the next exchange is served again.
    ASSERT_EQ(simulator->Command("answer normal"), "answer normal");
    EXPECT_TRUE(link->ReadAndProcess(AircraftPosition::groundAltitudeOffset, 4, &ground))
        << link->GetResultText();
}

}  // namespace
