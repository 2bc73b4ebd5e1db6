// The link over the real POSIX transport against the stand-in simulator running as its own process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "simlink/AircraftPosition.h"
#include "simlink/IpcLink.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::IsEmpty;

struct Position {
    double latitude = 0.0;
    double longitude = 0.0;
};

// Reads the position as "Plant tree" does: two reads and a third with the exchange.
bool ReadPosition(IpcLink& link, Position& position) {
    std::int64_t latitude = 0;
    std::int64_t longitude = 0;
    std::uint32_t ground = 0;
    if (!link.Read(AircraftPosition::latitudeOffset, 8, &latitude) ||
        !link.Read(AircraftPosition::longitudeOffset, 8, &longitude) ||
        !link.ReadAndProcess(AircraftPosition::groundAltitudeOffset, 4, &ground)) {
        return false;
    }
    position = {AircraftPosition::LatitudeFromRaw(latitude), AircraftPosition::LongitudeFromRaw(longitude)};
    return true;
}

Position FromLine(const std::string& line) {
    Position position;
    std::sscanf(line.c_str(), "position %lf %lf", &position.latitude, &position.longitude);
    return position;
}

class PosixLinkTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_THAT(RequestAreasOf(getpid()), IsEmpty()); }

    ScratchRuntimeFolder folder;
};

TEST_F(PosixLinkTest, ReadsThePositionTheSimulatorShows) {
    const auto simulator = StartSimulator({"--latitude", "47.5", "--longitude", "8.25"});
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    EXPECT_EQ(link.GetServerVersion(), 0x39990000u);
    EXPECT_EQ(link.GetSimulatorVersion(), 7u);
    Position position;
    ASSERT_TRUE(ReadPosition(link, position)) << link.GetResultText();
    EXPECT_DOUBLE_EQ(position.latitude, 47.5);
    EXPECT_DOUBLE_EQ(position.longitude, 8.25);

    const Position moved = FromLine(simulator->Command("slew 120.5 -40"));
    ASSERT_TRUE(ReadPosition(link, position)) << link.GetResultText();
    EXPECT_NEAR(position.latitude, moved.latitude, 1e-11);
    EXPECT_NEAR(position.longitude, moved.longitude, 1e-11);
    EXPECT_GT(position.latitude, 47.5);
    EXPECT_LT(position.longitude, 8.25);
}

TEST_F(PosixLinkTest, ServesSeveralLinksAndWritesMoveTheAircraft) {
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink first(7);
    IpcLink second(0);
    ASSERT_EQ(first.GetResult(), IpcResult::Okay) << first.GetResultText();
    ASSERT_EQ(second.GetResult(), IpcResult::Okay) << second.GetResultText();
    const std::int64_t south = AircraftPosition::RawFromLatitude(-41.25);
    ASSERT_TRUE(first.WriteAndProcess(AircraftPosition::latitudeOffset, 8, &south)) << first.GetResultText();
    Position position;
    ASSERT_TRUE(ReadPosition(second, position)) << second.GetResultText();
    EXPECT_NEAR(position.latitude, -41.25, 1e-12);
    EXPECT_NEAR(FromLine(simulator->Command("position")).latitude, -41.25, 1e-11);
}

TEST_F(PosixLinkTest, FindsTheServerUnderItsOlderClass) {
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

TEST_F(PosixLinkTest, NoServerWithoutALiveSimulator) {
    {
        IpcLink link(0);
        EXPECT_EQ(link.GetResult(), IpcResult::NoServerWindow);
    }
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    simulator->Signal(SIGKILL);  // leaves its socket behind
    simulator->Wait(5000);
    struct stat status {};
    ASSERT_EQ(stat((folder.Path() + "/UIPCMAIN").c_str(), &status), 0);
    IpcLink link(0);
    EXPECT_EQ(link.GetResult(), IpcResult::NoServerWindow);

    // A new simulator takes the stale socket over.
    const auto again = StartSimulator();
    ASSERT_TRUE(again->IsReady()) << again->StartOutput();
    EXPECT_TRUE(link.Open(0)) << link.GetResultText();
}

TEST_F(PosixLinkTest, RefusesARuntimeFolderOthersMayEnter) {
    ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
    const auto simulator = StartSimulator();
    EXPECT_FALSE(simulator->IsReady());
    EXPECT_EQ(simulator->Wait(5000), 1 << 8);  // exit code 1
    ASSERT_EQ(chmod(folder.Path().c_str(), 0700), 0);
    const auto allowed = StartSimulator();
    ASSERT_TRUE(allowed->IsReady()) << allowed->StartOutput();
    ASSERT_EQ(chmod(folder.Path().c_str(), 0750), 0);
    IpcLink link(0);
    EXPECT_EQ(link.GetResult(), IpcResult::NoServerWindow);
    ASSERT_EQ(chmod(folder.Path().c_str(), 0700), 0);
}

TEST_F(PosixLinkTest, SimulatorKilledBetweenExchanges) {
    auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    Position position;
    ASSERT_TRUE(ReadPosition(link, position)) << link.GetResultText();
    simulator->Signal(SIGKILL);
    simulator->Wait(5000);

    std::uint64_t latitude = 0x5A5A5A5A5A5A5A5Aull;
    const auto start = Clock::now();
    EXPECT_FALSE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude));
    EXPECT_EQ(link.GetResult(), IpcResult::SendFailed);
    EXPECT_LT(Clock::now() - start, 5s);  // nine refused sends and their pauses, no time-outs
    EXPECT_EQ(latitude, 0x5A5A5A5A5A5A5A5Aull);

    // The link is still open and finds a simulator that came back.
    simulator = StartSimulator({"--latitude", "-1.5"});
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    ASSERT_TRUE(ReadPosition(link, position)) << link.GetResultText();
    EXPECT_NEAR(position.latitude, -1.5, 1e-12);
}

TEST_F(PosixLinkTest, AnswersOfZeroAndSlowAnswers) {
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_EQ(link.GetResult(), IpcResult::Okay) << link.GetResultText();
    Position position;
    ASSERT_EQ(simulator->Command("answer zero"), "answer zero");
    EXPECT_FALSE(ReadPosition(link, position));
    EXPECT_EQ(link.GetResult(), IpcResult::BadData);

    ASSERT_EQ(simulator->Command("answer slow 300"), "answer slow 300");
    const auto start = Clock::now();
    ASSERT_TRUE(ReadPosition(link, position)) << link.GetResultText();
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_DOUBLE_EQ(position.latitude, 47.5);

    IpcLink refused;
    ASSERT_EQ(simulator->Command("answer zero"), "answer zero");
    EXPECT_FALSE(refused.Open(0));
    EXPECT_EQ(refused.GetResult(), IpcResult::BadData);
}

TEST_F(PosixLinkTest, SimulatorEndsCleanlyAndRemovesItsSocket) {
    const std::string socket = folder.Path() + "/UIPCMAIN";
    struct stat status {};
    {
        const auto simulator = StartSimulator();
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
        simulator->CloseInput();
        EXPECT_EQ(simulator->Wait(5000), 0);
        EXPECT_NE(stat(socket.c_str(), &status), 0);
    }
    {
        const auto simulator = StartSimulator({"--no-commands"});
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
        IpcLink link(0);  // a client still connected does not keep it alive
        simulator->Signal(SIGTERM);
        EXPECT_EQ(simulator->Wait(5000), 0);
        EXPECT_NE(stat(socket.c_str(), &status), 0);
    }
    {
        const auto simulator = StartSimulator();
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
        const auto second = StartSimulator();  // the class is taken
        EXPECT_FALSE(second->IsReady());
        EXPECT_EQ(simulator->Command("quit"), "quit");
        EXPECT_EQ(simulator->Wait(5000), 0);
    }
}

}  // namespace
