// The relay's TCP services over Winsock.
#include "simlink/tcp/Sockets.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace Sockets {

namespace {

SOCKET Native(Handle socket) {
    return static_cast<SOCKET>(socket);
}

bool WouldBlock() {
    const int failure = WSAGetLastError();
    return failure == WSAEWOULDBLOCK || failure == WSAEINPROGRESS;
}

bool MakeNonBlocking(Handle socket) {
    u_long on = 1;
    return ioctlsocket(Native(socket), FIONBIO, &on) == 0;
}

// Exchanges are small request-answer pairs: each must go out at once.
void SendAtOnce(Handle socket) {
    int on = 1;
    setsockopt(Native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

// A client may keep sending exchanges and never read the answers. What the system holds of them is
// bounded here, the same on every platform (Wine's own default is megabytes), so that the relay soon
// stops reading such a client and the idle time closes it. Two of the largest answers fit.
void BoundAnswersWaiting(Handle socket) {
    const int bytes = Sockets::answerBufferBytes;
    setsockopt(Native(socket), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

Handle NewSocket(int family) {
    const SOCKET made = socket(family, SOCK_STREAM, IPPROTO_TCP);
    return made == INVALID_SOCKET ? invalid : static_cast<Handle>(made);
}

bool WaitWritable(Handle socket, int timeoutMs) {
    std::vector<Waiting> one{Waiting{socket, false, true}};
    return Poll(one, timeoutMs) == 1 && one[0].writable;
}

std::uint32_t PendingError(Handle socket) {
    int failure = 0;
    int length = sizeof failure;
    getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length);
    return static_cast<std::uint32_t>(failure);
}

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

// Starts Winsock and looks up the stream addresses of a host and port. On failure it gives no list
// and sets `error`: 1 when Winsock would not start, 22 when a host that must be a numeric address is
// not one, else the lookup's own failure.
AddressList Resolve(const std::string& host, std::uint16_t port, int flags, std::uint32_t& error) {
    error = 0;
    if (!Start()) {
        error = 1;
        return AddressList(nullptr, freeaddrinfo);
    }
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
    const Handle socket = NewSocket(candidate.ai_family);
    if (socket == invalid || !MakeNonBlocking(socket)) {
        error = LastError();
        Close(socket);
        return invalid;
    }
    const int started = connect(Native(socket), candidate.ai_addr, static_cast<int>(candidate.ai_addrlen));
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

std::string NumericAddress(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes =
        address.ss_family == AF_INET6
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr)
            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(&address)->sin_addr);
    return inet_ntop(address.ss_family, bytes, text, sizeof text) != nullptr ? text : "";
}

}  // namespace

bool Start() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::uint32_t LastError() {
    const int failure = WSAGetLastError();
    return failure != 0 ? static_cast<std::uint32_t>(failure) : 1;
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
    const Handle listener = NewSocket(found->ai_family);
    sockaddr_storage bound{};
    int boundLength = sizeof bound;
    if (listener == invalid ||
        bind(Native(listener), found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0 ||
        listen(Native(listener), 16) != 0 || !MakeNonBlocking(listener) ||
        getsockname(Native(listener), reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
        error = LastError();
        Close(listener);
        return invalid;
    }
    boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                  : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return listener;
}

Handle Accept(Handle listener) {
    const SOCKET accepted = accept(Native(listener), nullptr, nullptr);
    const Handle socket = accepted == INVALID_SOCKET ? invalid : static_cast<Handle>(accepted);
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
        closesocket(Native(socket));
    }
}

long Send(Handle socket, std::span<const std::byte> bytes) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int sent = send(Native(socket), reinterpret_cast<const char*>(bytes.data()), chunk, 0);
    if (sent < 0) {
        return WouldBlock() ? 0 : -1;
    }
    return static_cast<long>(sent);
}

long Receive(Handle socket, std::span<std::byte> into) {
    if (into.empty()) {
        return 0;
    }
    const int chunk = static_cast<int>(std::min<std::size_t>(into.size(), 1 << 20));
    const int got = recv(Native(socket), reinterpret_cast<char*>(into.data()), chunk, 0);
    if (got == 0) {
        return -1;
    }
    if (got < 0) {
        return WouldBlock() ? 0 : -1;
    }
    return static_cast<long>(got);
}

int Poll(std::vector<Waiting>& sockets, int timeoutMs) {
    std::vector<WSAPOLLFD> entries(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        entries[i].fd = Native(sockets[i].socket);
        entries[i].events =
            static_cast<short>((sockets[i].wantRead ? POLLIN : 0) | (sockets[i].wantWrite ? POLLOUT : 0));
        entries[i].revents = 0;
    }
    const int ready = WSAPoll(entries.data(), static_cast<ULONG>(entries.size()), timeoutMs);
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
    int length = sizeof peer;
    return getpeername(Native(socket), reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
           IsLoopback(NumericAddress(peer));
}

}  // namespace Sockets
