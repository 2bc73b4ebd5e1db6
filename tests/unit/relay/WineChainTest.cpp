// The whole chain across Wine: the Linux link over TCP to the Windows relay running under Wine, the
// relay over the Windows transport to the Windows stand-in simulator under Wine. Run by the Windows
// test run, which names the Windows build folder (with its Wine prefix) in GROVEWRIGHT_WINDOWS_BUILD.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "simlink/ReadAircraftPosition.h"
#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

TEST(WineChain, LinuxLinkReadsThePositionOfTheWindowsSimulatorThroughTheRelay) {
    const char* build = std::getenv("GROVEWRIGHT_WINDOWS_BUILD");
    if (build == nullptr) {
        GTEST_SKIP() << "runs in the Windows test run, which sets GROVEWRIGHT_WINDOWS_BUILD";
    }
    const std::string windows = build;
    const std::string wine = GROVEWRIGHT_SOURCE "/tests/wine/wine-run.sh";
    const std::string prefix = windows + "/wineprefix";
    SimulatorProcess simulator(wine, {prefix, windows + "/tools/simulator/win32/grovewright-sim.exe"});
    ASSERT_TRUE(simulator.IsReady()) << simulator.StartOutput();
    SimulatorProcess relay(
        wine, {prefix, windows + "/tools/relay/grovewright-relay.exe", "--listen", "127.0.0.1:0"});
    ASSERT_TRUE(relay.IsReady()) << relay.StartOutput();
    const std::string ready = relay.StartOutput().substr(relay.StartOutput().rfind("ready "));
    const int port = std::atoi(ready.substr(ready.rfind(':') + 1).c_str());
    ASSERT_GT(port, 0) << ready;

    const auto link = RelayIpcLinkMaker("127.0.0.1", static_cast<std::uint16_t>(port))(7);
    ASSERT_EQ(link->GetResult(), IpcResult::Okay) << link->GetResultText();
    ASSERT_EQ(simulator.Command("position 51.4775 -0.4614"), "position 51.477500000000 -0.461400000000");
    const AircraftPositionReading reading = ReadAircraftPosition(*link);
    ASSERT_TRUE(reading.ok) << IpcResultText(reading.result);
    EXPECT_NEAR(reading.latitude, 51.4775, 1e-9);
    EXPECT_NEAR(reading.longitude, -0.4614, 1e-9);
}

}  // namespace
