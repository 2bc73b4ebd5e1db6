// The relay's bounds tried as a new user would: connections that open nothing, trickle bytes or
// never read are closed in time; areas its walk refuses are answered, not cut off; and connections
// that never prove anything cannot push out a proven one.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "simlink/IpcResult.h"
#include "simlink/RequestArea.h"
#include "tests/unit/relay/RawRelayClient.h"
#include "tests/unit/relay/RunningRelay.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

using namespace std::chrono_literals;

const std::string sharedSecret = "correct horse battery staple";

class RelayLimits : public ::testing::Test {
protected:
    void SetUp() override {
        simulator = StartSimulator();
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    }

    ScratchRuntimeFolder folder;
    std::unique_ptr<SimulatorProcess> simulator;
};

// An Open that finds no window leaves the connection unopened, and bytes that never make a frame are
// no activity: the connection goes when the opening time is up.
TEST_F(RelayLimits, AnOpenThatFoundNoWindowAndTrickledBytesDoNotHoldAConnection) {
    RelaySettings settings;
    settings.openingLimit = 600ms;
    settings.idleLimit = 60s;
    RunningRelay relay(settings);
    RawRelayClient client(relay.Port());
    const auto opened = client.Open("", "FS98MAIN");
    ASSERT_TRUE(opened);
    ASSERT_EQ(opened->status, RelayProtocol::OpenStatus::NoServerWindow);
    const std::byte length[4] = {std::byte{100}};
    const auto start = std::chrono::steady_clock::now();
    bool closed = false;
    for (int i = 0; i < 4 && !closed; ++i) {  // a frame's length, a byte at a time
        client.SendBytes(std::span(length + i, 1));
        closed = client.ClosedWithin(300);
    }
    closed = closed || client.ClosedWithin(3000);
    EXPECT_TRUE(closed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

// A client that sends exchanges and never reads the answers has answers waiting at the relay; they
// keep it no less idle.
TEST_F(RelayLimits, AClientThatNeverReadsItsAnswersIsClosedWhenIdle) {
    RelaySettings settings;
    settings.idleLimit = 500ms;
    RunningRelay relay(settings);
    RawRelayClient client(relay.Port());
    ASSERT_TRUE(client.Open("", "UIPCMAIN"));
    // Each answer brings back a read of 32000 bytes: enough of them fill every buffer on the way.
    std::vector<std::byte> area(RequestArea::areaSize);
    const std::uint32_t used = RequestArea::PutRead(area.data(), 0, 32000, 1);
    RequestArea::PutEndMarker(area.data() + used);
    area.resize(used + RequestArea::endMarkerSize);
    EXPECT_TRUE(client.SendExchangesUnread(area, 10s)) << "the relay still took exchanges after 10 s";
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (relay.ConnectionCount() != 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(relay.ConnectionCount(), 0u);
}

// Any area within the frame's bound is walked and, when it fails, answered with result 13; the
// connection goes on.
TEST_F(RelayLimits, AreasTheWalkRefusesAreAnsweredWithBadData) {
    RunningRelay relay;
    RawRelayClient client(relay.Port());
    ASSERT_TRUE(client.Open("", "UIPCMAIN"));
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{3}, std::size_t{RequestArea::capacity + 1},
          std::size_t{RelayProtocol::longestBody - 1 - 4 - RelayProtocol::macSize}}) {
        const auto answer = client.Exchange(AreaOfSize(size));
        ASSERT_TRUE(answer) << size;
        EXPECT_EQ(answer->result, static_cast<std::uint32_t>(IpcResult::BadData)) << size;
    }
    const auto answer = client.Exchange(PositionRequestArea());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->result, static_cast<std::uint32_t>(IpcResult::Okay));
}

// With every slot taken, connections that prove nothing make room among themselves; a proven
// connection makes way only for another proven one, the longest idle first.
TEST_F(RelayLimits, UnprovenConnectionsNeverPushOutAProvenOne) {
    RelaySettings settings;
    settings.secret = sharedSecret;
    settings.maxClients = 3;
    RunningRelay relay(settings);
    RawRelayClient proven(relay.Port());
    ASSERT_TRUE(proven.Open(sharedSecret, "UIPCMAIN"));
    std::vector<std::unique_ptr<RawRelayClient>> strangers;
    for (int i = 0; i < 10; ++i) {
        strangers.push_back(std::make_unique<RawRelayClient>(relay.Port()));
        ASSERT_TRUE(strangers.back()->Greeted()) << i;
    }
    EXPECT_TRUE(strangers.front()->ClosedWithin(1000));
    const auto answer = proven.Exchange(PositionRequestArea());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->result, static_cast<std::uint32_t>(IpcResult::Okay));

    std::vector<std::unique_ptr<RawRelayClient>> others;
    for (int i = 0; i < 3; ++i) {
        others.push_back(std::make_unique<RawRelayClient>(relay.Port()));
        ASSERT_TRUE(others.back()->Open(sharedSecret, "UIPCMAIN")) << i;
        ASSERT_TRUE(others.back()->Exchange(PositionRequestArea())) << i;
    }
    EXPECT_TRUE(proven.ClosedWithin(1000));
    EXPECT_TRUE(others.front()->Exchange(PositionRequestArea()));
}

}  // namespace
