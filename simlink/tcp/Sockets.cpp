#include "simlink/tcp/Sockets.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

namespace Sockets {

namespace {

#ifdef _WIN32
SOCKET Native(Handle socket) { return static_cast<SOCKET>(socket); }
#else
int Native(Handle socket) { return socket; }
#endif

#ifdef _WIN32
using PollEntry = WSAPOLLFD;
int PollSystem(PollEntry* entries, std::size_t count, int timeoutMs) {
    return WSAPoll(entries, static_cast<ULONG>(count), timeoutMs);
}
bool WouldBlock() {
    const int failure = WSAGetLastError();
    return failure == WSAEWOULDBLOCK || failure == WSAEINPROGRESS;
}
void CloseSystem(Handle socket) { closesocket(static_cast<SOCKET>(socket)); }
#else
using PollEntry = pollfd;
int PollSystem(PollEntry* entries, std::size_t count, int timeoutMs) {
    return poll(entries, static_cast<nfds_t>(count), timeoutMs);
}
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS || errno == EINTR; }
void CloseSystem(Handle socket) { close(socket); }
#endif

bool MakeNonBlocking(Handle socket) {
#ifdef _WIN32
    u_long on = 1;
    return ioctlsocket(static_cast<SOCKET>(socket), FIONBIO, &on) == 0;
#else
    const int flags = fcntl(socket, F_GETFL, 0);
    return flags >= 0 && fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0 && fcntl(socket, F_SETFD, FD_CLOEXEC) == 0;
#endif
}

// Exchanges are small request-answer pairs: each must go out at once.
void SendAtOnce(Handle socket) {
    int on = 1;
    setsockopt(Native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
               sizeof on);
}

Handle NewSocket(int family) {
#ifdef _WIN32
    const SOCKET made = socket(family, SOCK_STREAM, IPPROTO_TCP);
    return made == INVALID_SOCKET ? invalid : static_cast<Handle>(made);
#else
    return socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
#endif
}

bool WaitWritable(Handle socket, int timeoutMs) {
    std::vector<Waiting> one{Waiting{socket, false, true}};
    return Poll(one, timeoutMs) == 1 && one[0].writable;
}

std::uint32_t PendingError(Handle socket) {
    int failure = 0;
    socklen_t length = sizeof failure;
    getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length);
    return static_cast<std::uint32_t>(failure);
}

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

// Starts the sockets and looks up the stream addresses of a host and port. On failure it gives no
// list and sets `error`: 1 when the sockets would not start, 22 when a host that must be a numeric
// address is not one, else the lookup's own failure.
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

}  // namespace

bool Start() {
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
#else
    return true;
#endif
}

std::uint32_t LastError() {
#ifdef _WIN32
    const int failure = WSAGetLastError();
#else
    const int failure = errno;
#endif
    return failure != 0 ? static_cast<std::uint32_t>(failure) : 1;
}

Handle Connect(const std::string& host, std::uint16_t port, int timeoutMs, std::uint32_t& error) {
    const AddressList found = Resolve(host, port, 0, error);
    if (found == nullptr) {
        return invalid;
    }
    Handle connected = invalid;
    for (const addrinfo* candidate = found.get(); candidate != nullptr && connected == invalid; candidate = candidate->ai_next) {
        const Handle socket = NewSocket(candidate->ai_family);
        if (socket == invalid || !MakeNonBlocking(socket)) {
            error = LastError();
            if (socket != invalid) {
                CloseSystem(socket);
            }
            continue;
        }
        const int started = connect(Native(socket), candidate->ai_addr,
                                    static_cast<socklen_t>(candidate->ai_addrlen));
        if (started != 0 && !WouldBlock()) {
            error = LastError();
        } else if (started != 0 && !WaitWritable(socket, timeoutMs)) {
            error = 110;  // timed out
        } else if (const std::uint32_t pending = PendingError(socket); pending != 0) {
            error = pending;
        } else {
            SendAtOnce(socket);
            connected = socket;
            continue;
        }
        CloseSystem(socket);
    }
    return connected;
}

Handle Listen(const std::string& address, std::uint16_t port, std::uint16_t& boundPort, std::uint32_t& error) {
    const AddressList found = Resolve(address, port, AI_NUMERICHOST | AI_PASSIVE, error);
    if (found == nullptr) {
        return invalid;
    }
    Handle listener = NewSocket(found->ai_family);
    if (listener != invalid) {
#ifndef _WIN32
        int on = 1;  // a restarted relay takes its port back at once
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
        sockaddr_storage bound{};
        socklen_t boundLength = sizeof bound;
        if (bind(Native(listener), found->ai_addr, static_cast<socklen_t>(found->ai_addrlen)) != 0 ||
            listen(Native(listener), 16) != 0 || !MakeNonBlocking(listener) ||
            getsockname(Native(listener), reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
            error = LastError();
            CloseSystem(listener);
            listener = invalid;
        } else {
            boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
        }
    } else {
        error = LastError();
    }
    return listener;
}

Handle Accept(Handle listener) {
#ifdef _WIN32
    const SOCKET accepted = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    const Handle socket = accepted == INVALID_SOCKET ? invalid : static_cast<Handle>(accepted);
#else
    const Handle socket = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
#endif
    if (socket != invalid && !MakeNonBlocking(socket)) {
        CloseSystem(socket);
        return invalid;
    }
    if (socket != invalid) {
        SendAtOnce(socket);
    }
    return socket;
}

void Close(Handle socket) {
    if (socket != invalid) {
        CloseSystem(socket);
    }
}

long Send(Handle socket, std::span<const std::byte> bytes) {
#ifdef _WIN32
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int sent = send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(bytes.data()), chunk, 0);
#else
    const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
#endif
    if (sent < 0) {
        return WouldBlock() ? 0 : -1;
    }
    return static_cast<long>(sent);
}

long Receive(Handle socket, std::span<std::byte> into) {
    if (into.empty()) {
        return 0;
    }
#ifdef _WIN32
    const int chunk = static_cast<int>(std::min<std::size_t>(into.size(), 1 << 20));
    const int got = recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(into.data()), chunk, 0);
#else
    const ssize_t got = recv(socket, into.data(), into.size(), 0);
#endif
    if (got == 0) {
        return -1;
    }
    if (got < 0) {
        return WouldBlock() ? 0 : -1;
    }
    return static_cast<long>(got);
}

int Poll(std::vector<Waiting>& sockets, int timeoutMs) {
    std::vector<PollEntry> entries(sockets.size());
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        entries[i].fd = static_cast<decltype(entries[i].fd)>(sockets[i].socket);
        entries[i].events = static_cast<short>((sockets[i].wantRead ? POLLIN : 0) | (sockets[i].wantWrite ? POLLOUT : 0));
        entries[i].revents = 0;
    }
    const int ready = PollSystem(entries.data(), entries.size(), timeoutMs);
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
    return inet_pton(AF_INET6, address.c_str(), &six) == 1 && std::memcmp(&six, &in6addr_loopback, sizeof six) == 0;
}

}  // namespace Sockets
