#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "simlink/posix/SocketProtocol.h"
#include "simlink/posix/UniqueDescriptor.h"
#include "tools/simulator/AnswerMode.h"
#include "tools/simulator/SimulatorState.h"

// The stand-in simulator's server: listens on the local socket of its window class, serves the link
// requests of any number of clients one after another, and runs the console commands read from its
// input. Each request brings its client's request area as a descriptor; the server maps an area only
// when it is sealed and of the right size, so that no client can make it fault, and keeps the
// client's current area mapped until another comes or the client goes.
class SimulatorServer {
public:
    SimulatorServer(SimulatorState& state, AnswerMode& mode, std::FILE* replies);
    ~SimulatorServer();
    SimulatorServer(const SimulatorServer&) = delete;
    SimulatorServer& operator=(const SimulatorServer&) = delete;

    // Binds the socket at that path, taking over a stale one; refuses when another server answers
    // there.
    bool Listen(const std::string& socketPath, std::string& problem);

    // Serves until the quit command, the end of the command input (-1: no commands), or until the
    // stop descriptor becomes readable.
    void Run(int commandInput, int stop);

private:
    using Clock = std::chrono::steady_clock;
    struct DelayedRequest {
        SocketProtocol::Request request;
        UniqueDescriptor area;
        Clock::time_point due;
    };
    // The file behind a mapped area, by device and inode.
    struct AreaIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const AreaIdentity&) const = default;
    };
    struct Client {
        int socket = -1;
        std::vector<std::byte> input;
        // Descriptors received ahead of the rest of their requests, one per request, in order.
        std::deque<UniqueDescriptor> arrivedAreas;
        std::deque<DelayedRequest> delayed;
        std::byte* mappedArea = nullptr;
        AreaIdentity mappedIdentity;
        bool gone = false;
    };

    void Accept();
    void Receive(Client& client);
    void Take(Client& client, const SocketProtocol::Request& request, UniqueDescriptor area);
    void Serve(Client& client, const SocketProtocol::Request& request, const UniqueDescriptor& area);
    bool MapArea(Client& client, const UniqueDescriptor& area);
    static void UnmapArea(Client& client);
    void Answer(Client& client, std::uint32_t sequence, std::uint32_t result);
    void ServeDue();
    int MillisecondsToNextDue() const;
    void Drop(Client& client);
    // Runs the complete lines read so far; false once a command asked to quit.
    bool RunCommands(bool endOfInput);
    void Reply(const std::string& line);

    SimulatorState& state;
    AnswerMode& mode;
    std::FILE* replies;
    std::string socketPath;
    int listener = -1;
    std::vector<std::unique_ptr<Client>> clients;
    std::string commandText;
    std::uint32_t linkMessage;
};
