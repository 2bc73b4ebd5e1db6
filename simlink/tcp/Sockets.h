#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The few TCP services the relay and its link transport need, over BSD sockets or Winsock alike.
// Sockets are non-blocking; waits go through Poll. One implementation per platform (posix/, win32/).
namespace Sockets {

#ifdef _WIN32
using Handle = std::uintptr_t;
#else
using Handle = int;
#endif
inline constexpr Handle invalid = static_cast<Handle>(-1);

// Starts the platform's socket library once per process; false when it cannot be.
bool Start();

// The system's code of the last socket failure (errno or WSAGetLastError), never 0 after a failure.
std::uint32_t LastError();

// Connects to a host name or address, waiting at most timeoutMs; invalid on failure, with `error`.
Handle Connect(const std::string& host, std::uint16_t port, int timeoutMs, std::uint32_t& error);
// Listens on a numeric address; port 0 takes a free one. `boundPort` tells which.
Handle Listen(const std::string& address, std::uint16_t port, std::uint16_t& boundPort, std::uint32_t& error);
// Accepts a connection, non-blocking, each frame sent at once, and at most answerBufferBytes of what
// it sends held by the system for the peer to take.
Handle Accept(Handle listener);
inline constexpr int answerBufferBytes = 64 * 1024;
void Close(Handle socket);

// What a non-blocking transfer did: bytes moved, 0 when it would block, -1 when the connection is
// closed or broken.
long Send(Handle socket, std::span<const std::byte> bytes);
long Receive(Handle socket, std::span<std::byte> into);

struct Waiting {
    Handle socket = invalid;
    bool wantRead = false;
    bool wantWrite = false;
    bool readable = false;  // also set for a closed or broken connection
    bool writable = false;
};
// Waits until one of the sockets is ready or timeoutMs passes; gives how many are ready, -1 on failure.
int Poll(std::vector<Waiting>& sockets, int timeoutMs);

// Whether a numeric address is a loopback address (127.0.0.0/8, ::1), and whether a connected
// socket's peer has one.
bool IsLoopback(const std::string& address);
bool PeerIsLoopback(Handle socket);

}  // namespace Sockets
