// The link over the real POSIX transport: against the stand-in simulator as its own process, against
// servers and clients that misbehave, and in runtime folders it must refuse.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "simlink/ReadAircraftPosition.h"
#include "simlink/posix/DescriptorPassing.h"
#include "simlink/posix/SealedArea.h"
#include "simlink/posix/SocketProtocol.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

UniqueDescriptor LocalSocket(const std::string& path, bool listening) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    UniqueDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const auto* where = reinterpret_cast<const sockaddr*>(&address);
    const bool ready = listening
                           ? bind(socket.Get(), where, sizeof address) == 0 && listen(socket.Get(), 4) == 0
                           : connect(socket.Get(), where, sizeof address) == 0;
    return ready ? std::move(socket) : UniqueDescriptor();
}

// How many of the links' request areas a process holds open or mapped.
int AreasHeldBy(pid_t process) {
    const std::string proc = "/proc/" + std::to_string(process);
    int held = 0;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd", failure)) {
        held += std::filesystem::read_symlink(entry.path(), failure).string().find("memfd:ZuvavEzo") !=
                std::string::npos;
    }
    std::ifstream maps(proc + "/maps");
    for (std::string line; std::getline(maps, line);) {
        held += line.find("memfd:ZuvavEzo") != std::string::npos;
    }
    return held;
}

class PosixLinkTest : public ::testing::Test {
protected:
    std::string SocketPath() const { return folder.Path() + "/UIPCMAIN"; }

    ScratchRuntimeFolder folder;
};

TEST_F(PosixLinkTest, FindsTheOneServerThatListensUnderEitherClass) {
    {
        IpcLink link(0);
        EXPECT_EQ(link.GetResult(), IpcResult::NoServerWindow);
        const auto old = StartSimulator({"--class", "FS98MAIN", "--server-version", "0x19980004"});
        ASSERT_TRUE(old->IsReady()) << old->StartOutput();
        EXPECT_FALSE(link.Open(0));
        EXPECT_EQ(link.GetResult(), IpcResult::SimulatorNotRunning);
    }
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    simulator->Signal(SIGKILL);  // leaves its socket behind
    simulator->Wait(5000);
    IpcLink link(0);
    EXPECT_EQ(link.GetResult(), IpcResult::NoServerWindow);

    // A new simulator takes the stale socket over, but not one that is served.
    const auto again = StartSimulator({"--no-commands"});
    ASSERT_TRUE(again->IsReady()) << again->StartOutput();
    EXPECT_TRUE(link.Open(0)) << link.GetResultText();
    EXPECT_FALSE(StartSimulator()->IsReady());

    // A client still connected does not keep it from ending, and it takes its socket with it.
    again->Signal(SIGTERM);
    EXPECT_EQ(again->Wait(5000), 0);
    struct stat status {};
    EXPECT_NE(stat(SocketPath().c_str(), &status), 0);
}

TEST_F(PosixLinkTest, OpenLinkSurvivesASimulatorKilledBetweenExchanges) {
    auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    IpcLink link(0);
    ASSERT_TRUE(ReadAircraftPosition(link).ok) << link.GetResultText();
    simulator->Signal(SIGKILL);
    simulator->Wait(5000);

    const auto start = Clock::now();
    EXPECT_EQ(ReadAircraftPosition(link).result, IpcResult::SendFailed);
    EXPECT_LT(Clock::now() - start, 5s);  // nine refused sends and their pauses, no time-outs

    // The link connects again and hands its area to the new simulator, whose answers it heeds.
    simulator = StartSimulator({"--latitude", "-1.5"});
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    EXPECT_NEAR(ReadAircraftPosition(link).latitude, -1.5, 1e-12);
    ASSERT_EQ(simulator->Command("answer zero"), "answer zero");
    EXPECT_EQ(ReadAircraftPosition(link).result, IpcResult::BadData);
    ASSERT_EQ(simulator->Command("answer slow 300"), "answer slow 300");
    const auto slow = Clock::now();
    EXPECT_NEAR(ReadAircraftPosition(link).latitude, -1.5, 1e-12);
    EXPECT_GE(Clock::now() - slow, 300ms);
}

// The seals keep a server from cutting the area short under the link, which would fault reading the
// answer; this one tries on every request and answers without serving.
TEST_F(PosixLinkTest, ServerCannotCutTheAreaShortUnderTheLink) {
    const UniqueDescriptor listener = LocalSocket(SocketPath(), true);
    ASSERT_TRUE(listener.IsOpen());
    int requests = 0;
    int cutsRefused = 0;
    std::thread server([&] {
        pollfd waiting{listener.Get(), POLLIN, 0};
        const UniqueDescriptor client(poll(&waiting, 1, 5000) == 1 ? accept(listener.Get(), nullptr, nullptr)
                                                                   : -1);
        std::deque<UniqueDescriptor> areas;
        std::array<std::byte, SocketProtocol::longestRequest> frame{};
        bool lost = false;
        while (DescriptorPassing::ReceiveWith(client.Get(), frame, areas, lost) > 0 && !areas.empty()) {
            ++requests;
            cutsRefused += ftruncate(areas.front().Get(), 0) != 0 ? 1 : 0;
            areas.pop_front();
            std::array<std::byte, SocketProtocol::answerSize> answer{};
            SocketProtocol::EncodeAnswer({static_cast<std::uint32_t>(requests), 1}, answer);
            send(client.Get(), answer.data(), answer.size(), MSG_NOSIGNAL);
        }
    });
    {
        IpcLink link(0);  // reads five unserved answers, versions 0
        EXPECT_EQ(link.GetResult(), IpcResult::WrongServerVersion);
    }
    server.join();
    EXPECT_EQ(requests, 5);
    EXPECT_EQ(cutsRefused, 5);
}

// No client can make the stand-in fault: an area it cannot trust to stay whole is refused (answer 0),
// and the simulator goes on serving. A client that went away, closed or killed, leaves nothing behind.
TEST_F(PosixLinkTest, StandInRefusesAreasItCannotTrust) {
    const auto simulator = StartSimulator();
    ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
    struct Case {
        const char* name;
        std::uint32_t size;  // 0: no area
        bool sealed;
        std::uint32_t answer;
    };
    const Case cases[] = {
        {"Sealed", RequestArea::areaSize, true, 1},
        {"Unsealed", RequestArea::areaSize, false, 0},
        {"SealedButShort", 4096, true, 0},  // its read record runs past the file's end
        {"None", 0, false, 0},
    };
    std::vector<std::byte> records(RequestArea::areaSize);
    RequestArea::PutRead(records.data(), 0, 8000, 1);  // the zero bytes behind it end the records
    std::array<std::byte, SocketProtocol::longestRequest> frame{};
    const SocketProtocol::Request request{7, SocketProtocol::MessageIdFor("ZuvavEzo:IPC"), 0xC000, 0,
                                          "ZuvavEzo:IPC:1:1"};
    const std::span<const std::byte> sent(frame.data(), SocketProtocol::EncodeRequest(request, frame));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const UniqueDescriptor area(memfd_create("ZuvavEzo:IPC:1:1", MFD_CLOEXEC | MFD_ALLOW_SEALING));
        ASSERT_EQ(ftruncate(area.Get(), c.size), 0);
        ASSERT_TRUE(c.size == 0 || pwrite(area.Get(), records.data(), 16, 0) == 16);
        if (c.sealed) {
            ASSERT_EQ(fcntl(area.Get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL), 0);
        }
        const UniqueDescriptor connection = LocalSocket(SocketPath(), false);
        ASSERT_TRUE(c.size != 0 ? DescriptorPassing::SendWith(connection.Get(), sent, area.Get())
                                : send(connection.Get(), sent.data(), sent.size(), 0) > 0);
        std::array<std::byte, SocketProtocol::answerSize> answer{};
        ASSERT_EQ(recv(connection.Get(), answer.data(), answer.size(), MSG_WAITALL), 8);
        EXPECT_EQ(SocketProtocol::DecodeAnswer(answer).result, c.answer);
    }
    // The clients went, and with them every area the simulator held for them.
    const auto deadline = Clock::now() + 3s;
    while (AreasHeldBy(simulator->Pid()) > 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(AreasHeldBy(simulator->Pid()), 0);
    IpcLink link(0);
    EXPECT_TRUE(ReadAircraftPosition(link).ok) << link.GetResultText();
}

// A refused runtime folder shows as a missing simulator; standard error says why, once per process.
TEST_F(PosixLinkTest, RefusedRuntimeFolderIsReportedOnceWithItsReason) {
    const std::string base = folder.Path() + "/";
    ASSERT_EQ(mkdir((base + "own").c_str(), 0700), 0);
    ASSERT_EQ(symlink((base + "own").c_str(), (base + "link").c_str()), 0);
    ASSERT_EQ(mkdir((base + "open").c_str(), 0700), 0);
    ASSERT_EQ(chmod((base + "open").c_str(), 0750), 0);
    const std::string tooLong = base + std::string(80, 'x');
    ASSERT_EQ(mkdir(tooLong.c_str(), 0700), 0);
    std::vector<std::pair<std::string, std::string>> cases = {
        {base + "link", "is a symbolic link"},
        {base + "open", "is open to other users \\(mode 750\\)"},
        {tooLong, "is too long for a local socket"},
    };
    if (geteuid() == 0) {
        ASSERT_EQ(mkdir((base + "other").c_str(), 0700), 0);
        ASSERT_EQ(chown((base + "other").c_str(), 65534, 65534), 0);
        cases.emplace_back(base + "other", "belongs to another user \\(uid 65534\\)");
    }
    for (const auto& [path, reason] : cases) {
        EXPECT_EXIT(
            {
                setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
                const IpcLink first(0);
                const IpcLink second(0);
                std::exit(first.GetResult() == IpcResult::NoServerWindow &&
                                  second.GetResult() == IpcResult::NoServerWindow
                              ? 0
                              : 1);
            },
            ::testing::ExitedWithCode(0), "^[^\n]*runtime folder " + path + " " + reason + "[^\n]*\n$");
    }
}

}  // namespace
