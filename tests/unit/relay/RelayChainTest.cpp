// The whole chain on Linux: the link over TCP to the relay, the relay over the POSIX transport to the
// stand-in simulator running as its own process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "simlink/AircraftPosition.h"
#include "simlink/ReadAircraftPosition.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/relay/RunningRelay.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

class RelayChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        simulator = StartSimulator({"--latitude", "47.5", "--longitude", "8.25"});
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    }
    void TearDown() override { unsetenv(relaySecretVariable); }

    ScratchRuntimeFolder folder;
    std::unique_ptr<SimulatorProcess> simulator;
};

TEST_F(RelayChainTest, ReadsThePositionTheSimulatorShows) {
    RunningRelay relay;
    ASSERT_TRUE(relay.listening);
    const auto link = relay.Link(7);
    ASSERT_EQ(link->GetResult(), IpcResult::Okay) << link->GetResultText();
    EXPECT_EQ(link->GetSimulatorVersion(), 7u);
    ASSERT_EQ(simulator->Command("position -41.25 174.75"), "position -41.250000000000 174.750000000000");
    const AircraftPositionReading reading = ReadAircraftPosition(*link);
    ASSERT_TRUE(reading.ok) << IpcResultText(reading.result);
    EXPECT_NEAR(reading.latitude, -41.25, 1e-9);
    EXPECT_NEAR(reading.longitude, 174.75, 1e-9);
}

// Writes reach the simulator only when the relay allows them; the server's own failures come back as
// the link's results.
TEST_F(RelayChainTest, RefusedWritesAndServerFaultsComeBackAsResults) {
    const std::int64_t south = AircraftPosition::RawFromLatitude(-10.0);
    {
        RunningRelay relay;
        const auto link = relay.Link();
        ASSERT_EQ(link->GetResult(), IpcResult::Okay) << link->GetResultText();
        EXPECT_FALSE(link->WriteAndProcess(AircraftPosition::latitudeOffset, 8, &south));
        EXPECT_EQ(link->GetResult(), IpcResult::BadData);
        EXPECT_EQ(simulator->Command("position"), "position 47.500000000000 8.250000000000");

        ASSERT_EQ(simulator->Command("answer zero"), "answer zero");
        std::uint32_t ground = 0xA5A5A5A5;
        EXPECT_FALSE(link->ReadAndProcess(AircraftPosition::groundAltitudeOffset, 4, &ground));
        EXPECT_EQ(link->GetResult(), IpcResult::BadData);
        EXPECT_EQ(ground, 0xA5A5A5A5u);
        ASSERT_EQ(simulator->Command("answer normal"), "answer normal");
    }
    RelaySettings writable;
    writable.allowWrites = true;
    RunningRelay relay(writable);
    const auto link = relay.Link();
    ASSERT_TRUE(link->WriteAndProcess(AircraftPosition::latitudeOffset, 8, &south)) << link->GetResultText();
    EXPECT_EQ(simulator->Command("position"), "position -10.000000000000 8.250000000000");

    simulator.reset();  // the simulator goes away
    std::uint32_t ground = 0xA5A5A5A5;
    EXPECT_FALSE(link->ReadAndProcess(AircraftPosition::groundAltitudeOffset, 4, &ground));
    EXPECT_EQ(link->GetResult(), IpcResult::SendFailed);
    EXPECT_EQ(ground, 0xA5A5A5A5u);
}

TEST_F(RelayChainTest, AClientMustProveTheSecret) {
    RelaySettings guarded;
    guarded.secret = "correct horse battery staple";
    RunningRelay relay(guarded);
    const TemporaryFolder secrets;
    const struct {
        const char* secret;  // null: no secret file
        IpcResult result;
    } cases[] = {
        {nullptr, IpcResult::NoServerWindow},
        {"correct horse battery stable\n", IpcResult::NoServerWindow},
        {"correct horse battery staple\r\n", IpcResult::Okay},
    };
    for (const auto& c : cases) {
        if (c.secret != nullptr) {
            secrets.Write("secret", c.secret);
            setenv(relaySecretVariable, secrets.Path("secret").c_str(), 1);
        }
        EXPECT_EQ(relay.Link()->GetResult(), c.result) << (c.secret ? c.secret : "no secret");
    }
}

}  // namespace
