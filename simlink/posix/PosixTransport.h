#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "simlink/IpcTransport.h"
#include "simlink/posix/SocketProtocol.h"
#include "simlink/posix/UniqueDescriptor.h"

// The link's services on POSIX systems, where the server is the stand-in simulator (or anything
// speaking its socket protocol):
//   - a server "window" of a class is a connection to the local socket of that name in the user's
//     runtime folder, one connection per window found;
//   - the registered message is a request frame on that connection, answered by a frame;
//   - atoms live in this process; their text travels in each request as the area's label;
//   - the shared memory is a sealed anonymous memory file (SealedArea), whose descriptor travels with
//     each request, so that it is gone as soon as its client and the server let go of it.
// A transport may be shared by several links on several threads, each link used from one thread at
// a time.
class PosixTransport final : public IpcTransport {
public:
    PosixTransport() = default;
    ~PosixTransport() override;
    PosixTransport(const PosixTransport&) = delete;
    PosixTransport& operator=(const PosixTransport&) = delete;

    ServerWindow FindServerWindow(const char* className) override;
    void ReleaseServerWindow(ServerWindow window) override;
    std::uint32_t RegisterMessage(const char* name) override;
    std::uint32_t ProcessId() override;

    std::uint16_t CreateAtom(const char* text) override;
    void ReleaseAtom(std::uint16_t atom) override;

    MappingOutcome CreateMapping(const char* name, std::uint32_t size) override;
    std::byte* MapView(MappingHandle mapping) override;
    void UnmapView(std::byte* view) override;
    void CloseMapping(MappingHandle mapping) override;

    SendOutcome SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                            std::uint32_t timeoutMs) override;

private:
    struct Connection {
        std::string socketPath;
        int socket = -1;  // -1 until connected again after the server went away
        std::uint32_t sequence = 0;
        std::array<std::byte, SocketProtocol::answerSize> answer{};
        std::size_t answerLength = 0;  // bytes of a partly received answer
    };
    struct Mapping {
        UniqueDescriptor area;
        std::string label;
        std::uint32_t size = 0;
    };

    Connection* FindConnection(ServerWindow window);
    bool AtomText(std::uint16_t atom, std::string& text);
    // The descriptor of the area that the atom names, or -1.
    int AreaNamedBy(std::uint16_t atom);
    SendOutcome AwaitAnswer(Connection& connection, std::uint32_t timeoutMs);

    std::mutex mutex;
    std::map<ServerWindow, Connection> connections;
    ServerWindow nextWindow = 1;
    std::map<std::uint16_t, std::string> atoms;
    std::uint16_t nextAtom = 0xC000;
    std::map<MappingHandle, Mapping> mappings;
    MappingHandle nextMapping = 1;
    std::map<std::byte*, std::uint32_t> views;
};
