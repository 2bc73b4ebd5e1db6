#include "tools/simulator/SimulatorProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "tools/simulator/ChildLines.h"

extern char** environ;

SimulatorProcess::SimulatorProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        startOutput = "cannot make pipes";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int failure = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    input = toChild[1];
    output = fromChild[0];
    if (failure != 0) {
        pid = -1;
        startOutput = "cannot start " + program;
        return;
    }
    ready = AwaitReady([this](int timeoutMs) { return ReadLine(timeoutMs); }, 5000, startOutput);
}

SimulatorProcess::~SimulatorProcess() {
    CloseInput();
    Signal(SIGTERM);
    if (pid > 0 && !ended && Wait(5000) == -1) {
        Signal(SIGKILL);
        Wait(5000);
    }
    if (output >= 0) {
        close(output);
    }
}

std::string SimulatorProcess::Command(const std::string& line) {
    const std::string text = line + "\n";
    if (input < 0 || write(input, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return "";
    }
    return ReadLine(5000);
}

std::string SimulatorProcess::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (std::optional<std::string> line = TakeLine(pending)) {
            return *line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{output, POLLIN, 0};
        if (output < 0 || left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            return "";
        }
        char chunk[512];
        const ssize_t got = read(output, chunk, sizeof chunk);
        if (got <= 0) {
            return "";
        }
        pending.append(chunk, static_cast<std::size_t>(got));
    }
}

void SimulatorProcess::CloseInput() {
    if (input >= 0) {
        close(input);
        input = -1;
    }
}

void SimulatorProcess::Signal(int signal) {
    if (pid > 0 && !ended) {
        kill(pid, signal);
    }
}

int SimulatorProcess::Wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pid > 0 && !ended) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            ended = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status;
}
