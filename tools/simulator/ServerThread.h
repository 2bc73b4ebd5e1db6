#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "tools/simulator/AnswerMode.h"
#include "tools/simulator/SimulatorServer.h"
#include "tools/simulator/SimulatorState.h"

// The simulator's server on a thread of its own, for a front end (the window) that has its own loop.
// Everything that changes the simulator goes to the server as a console command line through a pipe,
// and every reply line comes back through another, so the state is only ever touched on the server's
// thread, as with commands read from standard input.
class ServerThread {
public:
    ServerThread(SimulatorState& state, AnswerMode& mode);
    // Stops the server if it still runs.
    ~ServerThread();
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    // Before Start: binds the server's socket (see SimulatorServer::Listen).
    bool Listen(const std::string& socketPath, std::string& problem);
    // Runs the server until it runs quit, its command input is closed or stop becomes readable.
    // From here on the state and the mode belong to the server's thread.
    void Start(int stop);
    // Closes the command input and waits for the server to end; it removes its socket.
    void Stop();

    // Command lines, each ending in a newline, are written here. Non-blocking: a line shorter than
    // the pipe's atomic size is written whole or not at all.
    int CommandInput() const { return commandPipe[1]; }
    // One reply line per command comes out here (non-blocking); it reaches its end once the server
    // has ended, whatever ended it.
    int Replies() const { return replyPipe[0]; }

private:
    void Serve(int stop);

    int commandPipe[2] = {-1, -1};
    int replyPipe[2] = {-1, -1};
    std::FILE* replyStream = nullptr;
    std::unique_ptr<SimulatorServer> server;
    std::thread thread;
};
