#include "tools/simulator/SimulatorServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "simlink/RequestArea.h"
#include "simlink/posix/DescriptorPassing.h"
#include "simlink/posix/SealedArea.h"
#include "tools/simulator/ConsoleCommands.h"
#include "tools/simulator/ServeRequestArea.h"

namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Whether some server answers on the socket at that path.
bool SomeoneListens(const sockaddr_un& address) {
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool answered = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return answered;
}

}  // namespace

SimulatorServer::SimulatorServer(SimulatorState& simulatorState, AnswerMode& answerMode, std::FILE* replyOutput)
    : state(simulatorState),
      mode(answerMode),
      replies(replyOutput),
      linkMessage(SocketProtocol::MessageIdFor("ZuvavEzo:IPC")) {}

SimulatorServer::~SimulatorServer() {
    for (const auto& client : clients) {
        Drop(*client);
    }
    if (listener >= 0) {
        close(listener);
        unlink(socketPath.c_str());
    }
}

bool SimulatorServer::Listen(const std::string& path, std::string& problem) {
    sockaddr_un address{};
    if (!MakeAddress(path, address)) {
        problem = "socket path " + path + " is too long";
        return false;
    }
    if (SomeoneListens(address)) {
        problem = "another simulator already serves " + path;
        return false;
    }
    unlink(path.c_str());  // a socket left by a simulator that was killed
    listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0 || bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 64) != 0) {
        problem = "cannot listen on " + path + ": " + std::strerror(errno);
        if (listener >= 0) {
            close(listener);
            listener = -1;
        }
        return false;
    }
    socketPath = path;
    return true;
}

void SimulatorServer::Run(int commandInput, int stop) {
    std::array<char, 4096> chunk{};
    for (;;) {
        std::vector<pollfd> watched{{stop, POLLIN, 0}, {listener, POLLIN, 0}, {commandInput, POLLIN, 0}};
        for (const auto& client : clients) {
            watched.push_back({client->socket, POLLIN, 0});
        }
        if (poll(watched.data(), watched.size(), MillisecondsToNextDue()) < 0 && errno != EINTR) {
            return;
        }
        if (watched[0].revents != 0) {
            return;
        }
        if (watched[1].revents != 0) {
            Accept();
        }
        if (watched[2].revents != 0) {
            const ssize_t got = read(commandInput, chunk.data(), chunk.size());
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got > 0) {
                commandText.append(chunk.data(), static_cast<std::size_t>(got));
            }
            if (!RunCommands(got <= 0)) {
                return;
            }
        }
        for (std::size_t i = 3; i < watched.size(); ++i) {
            if (watched[i].revents != 0) {
                Receive(*clients[i - 3]);
            }
        }
        ServeDue();
        for (const auto& client : clients) {
            if (client->gone) {
                Drop(*client);
            }
        }
        std::erase_if(clients, [](const auto& client) { return client->gone; });
    }
}

bool SimulatorServer::RunCommands(bool endOfInput) {
    if (endOfInput && !commandText.empty() && commandText.back() != '\n') {
        commandText += '\n';
    }
    std::size_t end = 0;
    while ((end = commandText.find('\n')) != std::string::npos) {
        const std::string line = commandText.substr(0, end);
        commandText.erase(0, end + 1);
        const ConsoleReply reply = RunConsoleCommand(line, state, mode);
        if (!reply.line.empty()) {
            Reply(reply.line);
        }
        if (reply.quit) {
            return false;
        }
    }
    // An endless line is not a command; drop it rather than grow without end.
    if (commandText.size() > 65536) {
        commandText.clear();
        Reply("error line too long");
    }
    return !endOfInput;
}

void SimulatorServer::Reply(const std::string& line) {
    std::fprintf(replies, "%s\n", line.c_str());
    std::fflush(replies);
}

void SimulatorServer::Accept() {
    for (;;) {
        const int accepted = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (accepted < 0) {
            return;
        }
        auto client = std::make_unique<Client>();
        client->socket = accepted;
        clients.push_back(std::move(client));
    }
}

void SimulatorServer::Receive(Client& client) {
    std::array<std::byte, 4096> chunk{};
    bool lost = false;
    const ssize_t got = DescriptorPassing::ReceiveWith(client.socket, chunk, client.arrivedAreas, lost);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (got <= 0 || lost) {
        client.gone = true;
        return;
    }
    client.input.insert(client.input.end(), chunk.begin(), chunk.begin() + got);
    std::size_t used = 0;
    for (;;) {
        SocketProtocol::Request request;
        std::size_t consumed = 0;
        const auto decoded =
            SocketProtocol::DecodeRequest(std::span(client.input).subspan(used), request, consumed);
        if (decoded == SocketProtocol::Decoded::Malformed) {
            client.gone = true;
            return;
        }
        if (decoded == SocketProtocol::Decoded::Incomplete) {
            break;
        }
        used += consumed;
        // An area is sent with the first byte of its request, so it has arrived by now if it was sent.
        UniqueDescriptor area;
        if (!client.arrivedAreas.empty()) {
            area = std::move(client.arrivedAreas.front());
            client.arrivedAreas.pop_front();
        }
        Take(client, request, std::move(area));
    }
    client.input.erase(client.input.begin(), client.input.begin() + static_cast<std::ptrdiff_t>(used));
}

void SimulatorServer::Take(Client& client, const SocketProtocol::Request& request, UniqueDescriptor area) {
    switch (mode.kind) {
        case AnswerMode::Never:
            break;
        case AnswerMode::Zero:
            Answer(client, request.sequence, 0);
            break;
        case AnswerMode::Slow:
            client.delayed.push_back(
                {request, std::move(area), Clock::now() + std::chrono::milliseconds(mode.delayMs)});
            break;
        case AnswerMode::Normal:
            Serve(client, request, area);
            break;
    }
}

void SimulatorServer::Serve(Client& client, const SocketProtocol::Request& request,
                            const UniqueDescriptor& area) {
    const bool served =
        request.message == linkMessage && MapArea(client, area) &&
        ServeRequestArea(RequestArea::Area{client.mappedArea, RequestArea::areaSize}, state.Offsets());
    Answer(client, request.sequence, served ? 1 : 0);
}

bool SimulatorServer::MapArea(Client& client, const UniqueDescriptor& area) {
    struct stat status {};
    if (!area.IsOpen() || fstat(area.Get(), &status) != 0) {
        return false;
    }
    // A link sends the same area with every request; mapping it once spares a system call per exchange.
    const AreaIdentity identity{status.st_dev, status.st_ino};
    if (client.mappedArea != nullptr && client.mappedIdentity == identity) {
        return true;
    }
    UnmapArea(client);
    // Unsealed, the client could cut the file short under the mapping and fault the server.
    if (!SealedArea::IsSealed(area.Get(), RequestArea::areaSize)) {
        return false;
    }
    void* start = mmap(nullptr, RequestArea::areaSize, PROT_READ | PROT_WRITE, MAP_SHARED, area.Get(), 0);
    if (start == MAP_FAILED) {
        return false;
    }
    client.mappedArea = static_cast<std::byte*>(start);
    client.mappedIdentity = identity;
    return true;
}

void SimulatorServer::UnmapArea(Client& client) {
    if (client.mappedArea != nullptr) {
        munmap(client.mappedArea, RequestArea::areaSize);
        client.mappedArea = nullptr;
        client.mappedIdentity = AreaIdentity{};
    }
}

void SimulatorServer::Answer(Client& client, std::uint32_t sequence, std::uint32_t result) {
    std::array<std::byte, SocketProtocol::answerSize> frame{};
    SocketProtocol::EncodeAnswer(SocketProtocol::Answer{sequence, result}, frame);
    // A client whose socket buffer is full has stopped reading its answers.
    if (send(client.socket, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
        static_cast<ssize_t>(frame.size())) {
        client.gone = true;
    }
}

void SimulatorServer::ServeDue() {
    const auto now = Clock::now();
    for (const auto& client : clients) {
        while (!client->gone && !client->delayed.empty() && client->delayed.front().due <= now) {
            const DelayedRequest due = std::move(client->delayed.front());
            client->delayed.pop_front();
            Serve(*client, due.request, due.area);
        }
    }
}

int SimulatorServer::MillisecondsToNextDue() const {
    auto next = Clock::time_point::max();
    for (const auto& client : clients) {
        if (!client->delayed.empty()) {
            next = std::min(next, client->delayed.front().due);
        }
    }
    if (next == Clock::time_point::max()) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::max<decltype(left)>(0, left));
}

void SimulatorServer::Drop(Client& client) {
    UnmapArea(client);
    close(client.socket);
    client.arrivedAreas.clear();
    client.delayed.clear();
}
