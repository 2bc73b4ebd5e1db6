// The relay's TCP services over BSD sockets.
#include "simlink/tcp/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace Sockets {

namespace {

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS || errno == EINTR;
}

bool MakeNonBlocking(Handle socket) {
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0 &&
           fcntl(socket, F_SETFD, FD_CLOEXEC) == 0;
}

// Exchanges are small request-answer pairs: each must go out at once.
void SendAtOnce(Handle socket) {
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A client may keep sending exchanges and never read the answers. What the system holds of them is
// bounded here, the same on every platform, so that the relay soon stops reading such a client and
// the idle time closes it. Two of the largest answers fit.
void BoundAnswersWaiting(Handle socket) {
    const int bytes = answerBufferBytes;
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

bool WaitWritable(Handle socket, int timeoutMs) {
    std::vector<Waiting> one{Waiting{socket, false, true}};
    return Poll(one, timeoutMs) == 1 && one[0].writable;
}

std::uint32_t PendingError(Handle socket) {
    int failure = 0;
    socklen_t length = sizeof failure;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, &failure, &length);
    return static_cast<std::uint32_t>(failure);
}

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

// The stream addresses of a host and port. On failure it gives no list and sets `error`: 22 when a
// host that must be a numeric address is not one, else the lookup's own failure.
AddressList Resolve(const std::string& host, std::uint16_t port, int flags, std::uint32_t& error) {
    error = 0;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        error = (flags & AI_NUMERICHOST) != 0 ? 22 : LastError();
    }
    return AddressList(found, freeaddrinfo);
}

// Starts a connection to one address and waits for it; invalid with `error` when it fails.
Handle ConnectTo(const addrinfo& candidate, int timeoutMs, std::uint32_t& error) {
    const Handle socket = ::socket(candidate.ai_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socket == invalid || !MakeNonBlocking(socket)) {
        error = LastError();
        Close(socket);
        return invalid;
    }
    const int started = connect(socket, candidate.ai_addr, candidate.ai_addrlen);
    if (started != 0 && !WouldBlock()) {
        error = LastError();
    } else if (started != 0 && !WaitWritable(socket, timeoutMs)) {
        error = 110;  // timed out
    } else if (const std::uint32_t pending = PendingError(socket); pending != 0) {
        error = pending;
    } else {
        SendAtOnce(socket);
        return socket;
    }
    Close(socket);
    return invalid;
}

}  // namespace

bool Start() {
    return true;
}

std::uint32_t LastError() {
    return errno != 0 ? static_cast<std::uint32_t>(errno) : 1;
}

Handle Connect(const std::string& host, std::uint16_t port, int timeoutMs, std::uint32_t& error) {
    const AddressList found = Resolve(host, port, 0, error);
    Handle connected = invalid;
    for (const addrinfo* candidate = found.get(); candidate != nullptr && connected == invalid;
         candidate = candidate->ai_next) {
        connected = ConnectTo(*candidate, timeoutMs, error);
    }
    return connected;
}

Handle Listen(const std::string& address, std::uint16_t port, std::uint16_t& boundPort,
              std::uint32_t& error) {
    const AddressList found = Resolve(address, port, AI_NUMERICHOST | AI_PASSIVE, error);
    if (found == nullptr) {
        return invalid;
    }
    const Handle listener = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    int on = 1;  // a restarted relay takes its port back at once
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    if (listener == invalid || bind(listener, found->ai_addr, found->ai_addrlen) != 0 ||
        listen(listener, 16) != 0 || !MakeNonBlocking(listener) ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
        error = LastError();
        Close(listener);
        return invalid;
    }
    boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                  : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return listener;
}

Handle Accept(Handle listener) {
    const Handle socket = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket != invalid && !MakeNonBlocking(socket)) {
        Close(socket);
        return invalid;
    }
    if (socket != invalid) {
        SendAtOnce(socket);
        BoundAnswersWaiting(socket);
    }
    return socket;
}

void Close(Handle socket) {
    if (socket != invalid) {
        close(socket);
    }
}

long Send(Handle socket, std::span<const std::byte> bytes) {
    const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
        return WouldBlock() ? 0 : -1;
    }
    return static_cast<long>(sent);
}

long Receive(Handle socket, std::span<std::byte> into) {
    if (into.empty()) {
        return 0;
    }
    const ssize_t got = recv(socket, into.data(), into.size(), 0);
    if (got == 0) {
        return -1;
    }
    if (got < 0) {
        return WouldBlock() ? 0 : -1;
    }
    return static_cast<long>(got);
}

int Poll(std::vector<Waiting>& sockets, int timeoutMs) {
    std::vector<pollfd> entries(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        entries[i].fd = sockets[i].socket;
        entries[i].events =
            static_cast<short>((sockets[i].wantRead ? POLLIN : 0) | (sockets[i].wantWrite ? POLLOUT : 0));
    }
    const int ready = poll(entries.data(), static_cast<nfds_t>(entries.size()), timeoutMs);
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        const short events = ready > 0 ? entries[i].revents : 0;
        sockets[i].readable = (events & (POLLIN | POLLHUP | POLLERR)) != 0;
        sockets[i].writable = (events & (POLLOUT | POLLERR)) != 0;
    }
    return ready;
}

bool IsLoopback(const std::string& address) {
    in_addr four{};
    if (inet_pton(AF_INET, address.c_str(), &four) == 1) {
        return (ntohl(four.s_addr) >> 24) == 127;
    }
    in6_addr six{};
    return inet_pton(AF_INET6, address.c_str(), &six) == 1 &&
           std::memcmp(&six, &in6addr_loopback, sizeof six) == 0;
}

bool PeerIsLoopback(Handle socket) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    char text[INET6_ADDRSTRLEN] = {};
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return false;
    }
    const void* address =
        peer.ss_family == AF_INET6
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_addr)
            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(&peer)->sin_addr);
    return inet_ntop(peer.ss_family, address, text, sizeof text) != nullptr && IsLoopback(text);
}

}  // namespace Sockets
