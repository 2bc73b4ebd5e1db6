#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "simlink/posix/SocketProtocol.h"
#include "tools/simulator/AnswerMode.h"
#include "tools/simulator/SimulatorState.h"

// The stand-in simulator's server: listens on the local socket of its window class, serves the link
// requests of any number of clients one after another, and runs the console commands read from its
// input. When a client goes away it unlinks the request areas that client used, so that a client that
// died mid-exchange leaves no shared memory behind.
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
        Clock::time_point due;
    };
    struct Client {
        int socket = -1;
        std::vector<std::byte> input;
        std::deque<DelayedRequest> delayed;
        std::string mappedName;
        std::byte* mappedArea = nullptr;
        std::set<std::string> areaNames;
        bool gone = false;
    };

    void Accept();
    void Receive(Client& client);
    void Take(Client& client, const SocketProtocol::Request& request);
    void Serve(Client& client, const SocketProtocol::Request& request);
    bool MapArea(Client& client, const std::string& atomText);
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
