#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The stand-in simulator run as a child process, for tests and benchmarks: its standard input takes
// commands and its standard output gives one line per command. The child inherits the environment,
// so XDG_RUNTIME_DIR decides where it serves.
class SimulatorProcess {
public:
    // Starts the program and waits up to 5 s for its "ready" line.
    SimulatorProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Ends the child (end of input and SIGTERM, then SIGKILL after 5 s) unless it has ended already.
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool IsReady() const { return ready; }
    // Everything the child printed before it was ready, or its failure.
    const std::string& StartOutput() const { return startOutput; }
    pid_t Pid() const { return pid; }

    // Sends a command line and gives the one-line reply, or "" after 5 s without one.
    std::string Command(const std::string& line);
    std::string ReadLine(int timeoutMs);

    void CloseInput();
    void Signal(int signal);
    // Waits for the child to end and gives its wait status, -1 after timeoutMs.
    int Wait(int timeoutMs);

private:
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    bool ready = false;
    bool ended = false;
    int status = 0;
    std::string startOutput;
    std::string pending;
};
