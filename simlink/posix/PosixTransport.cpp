#include "simlink/posix/PosixTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "simlink/posix/DescriptorPassing.h"
#include "simlink/posix/RuntimeFolder.h"
#include "simlink/posix/SealedArea.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Connects to the local socket at `path`; -1 with errno set on failure.
int ConnectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return -1;
    }
    // A server whose backlog is full must not block the link for longer than one send may take.
    const timeval limit{2, 0};
    setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int failure = errno;
        close(descriptor);
        errno = failure;
        return -1;
    }
    return descriptor;
}

// A local server answers within tens of microseconds. Waiting for that busily, for a moment, spares
// the wake-up of a sleeping thread, which on virtual machines costs as much again as the exchange.
// Yielding while waiting keeps a server that shares this processor running.
constexpr auto spinBudget = std::chrono::microseconds(200);

void AwaitBriefly(int descriptor) {
    const auto until = SteadyClock::now() + spinBudget;
    do {
        char first = 0;
        const ssize_t peeked = recv(descriptor, &first, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return;
        }
        sched_yield();
    } while (SteadyClock::now() < until);
}

// A refused runtime folder would otherwise show only as a missing simulator; the user needs to know
// why to mend it, but not again on every try.
void ReportRefusedFolder(const std::string& problem) {
    static std::once_flag reported;
    std::call_once(reported, [&problem] {
        std::fprintf(stderr, "%s: cannot reach the simulator: %s\n", program_invocation_short_name,
                     problem.c_str());
    });
}

void Disconnect(int& descriptor) {
    if (descriptor >= 0) {
        close(descriptor);
        descriptor = -1;
    }
}

}  // namespace

PosixTransport::~PosixTransport() {
    for (auto& [window, connection] : connections) {
        Disconnect(connection.socket);
    }
}

ServerWindow PosixTransport::FindServerWindow(const char* className) {
    const RuntimeFolder folder = RuntimeFolder::Find();
    if (folder.path.empty()) {
        ReportRefusedFolder(folder.problem);
        return 0;
    }
    Connection connection;
    connection.socketPath = folder.SocketPathFor(className);
    connection.socket = ConnectTo(connection.socketPath);
    if (connection.socket < 0) {
        return 0;
    }
    const std::lock_guard lock(mutex);
    const ServerWindow window = nextWindow++;
    connections.emplace(window, std::move(connection));
    return window;
}

void PosixTransport::ReleaseServerWindow(ServerWindow window) {
    const std::lock_guard lock(mutex);
    const auto found = connections.find(window);
    if (found != connections.end()) {
        Disconnect(found->second.socket);
        connections.erase(found);
    }
}

PosixTransport::Connection* PosixTransport::FindConnection(ServerWindow window) {
    const std::lock_guard lock(mutex);
    const auto found = connections.find(window);
    // Map entries stay where they are until released, which only the link owning the window does.
    return found == connections.end() ? nullptr : &found->second;
}

std::uint32_t PosixTransport::RegisterMessage(const char* name) { return SocketProtocol::MessageIdFor(name); }

std::uint32_t PosixTransport::ProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::uint16_t PosixTransport::CreateAtom(const char* text) {
    const std::string atomText = text;
    if (atomText.empty() || atomText.size() > SocketProtocol::longestAtomText) {
        return 0;
    }
    const std::lock_guard lock(mutex);
    // String atoms take the numbers 0xC000 to 0xFFFF, as on Windows.
    for (unsigned tries = 0; tries < 0x4000; ++tries) {
        const std::uint16_t atom = nextAtom;
        nextAtom = nextAtom == 0xFFFF ? std::uint16_t{0xC000} : static_cast<std::uint16_t>(nextAtom + 1);
        if (atoms.emplace(atom, atomText).second) {
            return atom;
        }
    }
    return 0;
}

void PosixTransport::ReleaseAtom(std::uint16_t atom) {
    const std::lock_guard lock(mutex);
    atoms.erase(atom);
}

bool PosixTransport::AtomText(std::uint16_t atom, std::string& text) {
    const std::lock_guard lock(mutex);
    const auto found = atoms.find(atom);
    if (found == atoms.end()) {
        return false;
    }
    text = found->second;
    return true;
}

MappingOutcome PosixTransport::CreateMapping(const char* name, std::uint32_t size) {
    // Names are unique in the process by the open counter; a clash means the counter came round.
    if (SealedArea::LabelInUse(name)) {
        return MappingOutcome{0, true};
    }
    Mapping mapping{SealedArea::Create(name, size), name, size};
    if (!mapping.area.IsOpen()) {
        return MappingOutcome{};
    }
    const std::lock_guard lock(mutex);
    const MappingHandle handle = nextMapping++;
    mappings.emplace(handle, std::move(mapping));
    return MappingOutcome{handle, false};
}

std::byte* PosixTransport::MapView(MappingHandle handle) {
    const std::lock_guard lock(mutex);
    const auto found = mappings.find(handle);
    if (found == mappings.end()) {
        return nullptr;
    }
    const Mapping& mapping = found->second;
    void* start = mmap(nullptr, mapping.size, PROT_READ | PROT_WRITE, MAP_SHARED, mapping.area.Get(), 0);
    if (start == MAP_FAILED) {
        return nullptr;
    }
    auto* view = static_cast<std::byte*>(start);
    views[view] = mapping.size;
    return view;
}

void PosixTransport::UnmapView(std::byte* view) {
    const std::lock_guard lock(mutex);
    const auto found = views.find(view);
    if (found != views.end()) {
        munmap(view, found->second);
        views.erase(found);
    }
}

void PosixTransport::CloseMapping(MappingHandle handle) {
    const std::lock_guard lock(mutex);
    const auto found = mappings.find(handle);
    if (found != mappings.end()) {
        mappings.erase(found);
    }
}

int PosixTransport::AreaNamedBy(std::uint16_t atom) {
    std::string label;
    if (!AtomText(atom, label)) {
        return -1;
    }
    const std::lock_guard lock(mutex);
    for (const auto& [handle, mapping] : mappings) {
        if (mapping.label == label) {
            return mapping.area.Get();
        }
    }
    return -1;
}

SendOutcome PosixTransport::SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                                        std::uint32_t timeoutMs) {
    Connection* connection = FindConnection(window);
    std::string text;
    const int area = AreaNamedBy(atom);
    if (connection == nullptr || area < 0 || !AtomText(atom, text)) {
        return SendOutcome{false, 0, EINVAL};
    }
    if (connection->socket < 0) {
        // The server went away since the last send; it may be back.
        connection->socket = ConnectTo(connection->socketPath);
        connection->answerLength = 0;
        if (connection->socket < 0) {
            return SendOutcome{false, 0, static_cast<std::uint32_t>(errno)};
        }
    }
    std::array<std::byte, SocketProtocol::longestRequest> frame{};
    const SocketProtocol::Request request{++connection->sequence, message, atom, 0, text};
    const std::size_t length = SocketProtocol::EncodeRequest(request, frame);
    // The area goes with every request: after a reconnection the server has never seen it.
    if (!DescriptorPassing::SendWith(connection->socket, std::span(frame.data(), length), area)) {
        const int failure = errno;
        Disconnect(connection->socket);
        return SendOutcome{false, 0, static_cast<std::uint32_t>(failure)};
    }
    return AwaitAnswer(*connection, timeoutMs);
}

SendOutcome PosixTransport::AwaitAnswer(Connection& connection, std::uint32_t timeoutMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    AwaitBriefly(connection.socket);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0) {
            // Timed out: the answer may still come and is then skipped by its sequence.
            return SendOutcome{false, 0, 0};
        }
        pollfd readable{connection.socket, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            const int failure = errno;
            Disconnect(connection.socket);
            return SendOutcome{false, 0, static_cast<std::uint32_t>(failure)};
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = recv(connection.socket, connection.answer.data() + connection.answerLength,
                                 connection.answer.size() - connection.answerLength, 0);
        if (got <= 0) {
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            const int failure = got == 0 ? ECONNRESET : errno;
            Disconnect(connection.socket);
            return SendOutcome{false, 0, static_cast<std::uint32_t>(failure)};
        }
        connection.answerLength += static_cast<std::size_t>(got);
        if (connection.answerLength < connection.answer.size()) {
            continue;
        }
        connection.answerLength = 0;
        const SocketProtocol::Answer answer = SocketProtocol::DecodeAnswer(connection.answer);
        if (answer.sequence == connection.sequence) {
            return SendOutcome{true, answer.result, 0};
        }
    }
}
