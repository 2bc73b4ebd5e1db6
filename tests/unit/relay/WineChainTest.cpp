// The whole chain across Wine: the Linux link over TCP to the Windows relay running under Wine, the
// relay over the Windows transport to the Windows stand-in simulator under Wine. Run by the Windows
// test run, which names the Windows build folder (with its Wine prefix) in GROVEWRIGHT_WINDOWS_BUILD.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "simlink/ReadAircraftPosition.h"
#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "tests/unit/relay/RawRelayClient.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

using namespace std::chrono_literals;

class WineChain : public ::testing::Test {
protected:
    void SetUp() override {
        const char* build = std::getenv("GROVEWRIGHT_WINDOWS_BUILD");
        if (build == nullptr) {
            GTEST_SKIP() << "runs in the Windows test run, which sets GROVEWRIGHT_WINDOWS_BUILD";
        }
        windows = build;
        simulator = std::make_unique<SimulatorProcess>(
            wine, std::vector<std::string>{Prefix(), windows + "/tools/simulator/win32/grovewright-sim.exe"});
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    }

    // Starts the Windows relay on a free loopback port with the further options; its port, or 0.
    std::uint16_t StartRelay(std::vector<std::string> options = {}) {
        std::vector<std::string> arguments{Prefix(), windows + "/tools/relay/grovewright-relay.exe",
                                           "--listen", "127.0.0.1:0"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        relay = std::make_unique<SimulatorProcess>(wine, arguments);
        if (!relay->IsReady()) {
            ADD_FAILURE() << relay->StartOutput();
            return 0;
        }
        const std::string ready = relay->StartOutput().substr(relay->StartOutput().rfind("ready "));
        return static_cast<std::uint16_t>(std::atoi(ready.substr(ready.rfind(':') + 1).c_str()));
    }

    std::string Prefix() const { return windows + "/wineprefix"; }

    const std::string wine = GROVEWRIGHT_SOURCE "/tests/wine/wine-run.sh";
    std::string windows;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<SimulatorProcess> relay;
};

TEST_F(WineChain, LinuxLinkReadsThePositionOfTheWindowsSimulatorThroughTheRelay) {
    const std::uint16_t port = StartRelay();
    ASSERT_GT(port, 0);
    const auto link = RelayIpcLinkMaker("127.0.0.1", port)(7);
    ASSERT_EQ(link->GetResult(), IpcResult::Okay) << link->GetResultText();
    ASSERT_EQ(simulator->Command("position 51.4775 -0.4614"), "position 51.477500000000 -0.461400000000");
    const AircraftPositionReading reading = ReadAircraftPosition(*link);
    ASSERT_TRUE(reading.ok) << IpcResultText(reading.result);
    EXPECT_NEAR(reading.latitude, 51.4775, 1e-9);
    EXPECT_NEAR(reading.longitude, -0.4614, 1e-9);
}

// Under Wine a socket holds megabytes of answers unless told otherwise, so that a client sending
// exchanges and never reading the answers kept the relay serving it for tens of seconds.
TEST_F(WineChain, AClientThatNeverReadsItsAnswersIsClosedWhenIdle) {
    const std::uint16_t port = StartRelay({"--idle-seconds", "1"});
    ASSERT_GT(port, 0);
    RawRelayClient client(port);
    ASSERT_TRUE(client.Open("", "UIPCMAIN"));
    EXPECT_TRUE(client.SendExchangesUnread(PositionRequestArea(), 10s))
        << "the relay still took exchanges after 10 s";
    EXPECT_TRUE(client.ClosedWithin(3000));
}

}  // namespace
