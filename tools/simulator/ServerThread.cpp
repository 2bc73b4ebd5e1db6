#include "tools/simulator/ServerThread.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

void CloseOnce(int& descriptor) {
    if (descriptor >= 0) {
        close(descriptor);
        descriptor = -1;
    }
}

bool MakePipe(int ends[2], int nonBlockingEnd) {
    if (pipe2(ends, O_CLOEXEC) != 0) {
        ends[0] = ends[1] = -1;
        return false;
    }
    return fcntl(ends[nonBlockingEnd], F_SETFL, O_NONBLOCK) == 0;
}

}  // namespace

ServerThread::ServerThread(SimulatorState& state, AnswerMode& mode) {
    if (MakePipe(commandPipe, 1) && MakePipe(replyPipe, 0)) {
        replyStream = fdopen(replyPipe[1], "w");
    }
    if (replyStream != nullptr) {
        server = std::make_unique<SimulatorServer>(state, mode, replyStream);
    }
}

ServerThread::~ServerThread() {
    Stop();
    if (replyStream != nullptr) {
        std::fclose(replyStream);  // never started: the stream is still ours
    } else {
        CloseOnce(replyPipe[1]);
    }
    CloseOnce(replyPipe[0]);
    CloseOnce(commandPipe[0]);
}

bool ServerThread::Listen(const std::string& socketPath, std::string& problem) {
    if (server == nullptr) {
        problem = "cannot make the pipes to the server";
        return false;
    }
    return server->Listen(socketPath, problem);
}

void ServerThread::Start(int stop) {
    if (server != nullptr && !thread.joinable()) {
        thread = std::thread(&ServerThread::Serve, this, stop);
    }
}

void ServerThread::Stop() {
    CloseOnce(commandPipe[1]);
    if (thread.joinable()) {
        thread.join();
    }
}

void ServerThread::Serve(int stop) {
    server->Run(commandPipe[0], stop);
    server.reset();  // removes the socket before the front end learns that the server has ended
    std::fclose(replyStream);
    replyStream = nullptr;
    replyPipe[1] = -1;
}
