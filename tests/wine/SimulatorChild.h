#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

// The Windows stand-in simulator run as a child process for a test: commands go to its standard
// input, one reply line comes back for each.
class SimulatorChild {
public:
    // Starts the program and waits up to 10 s for its "ready" line.
    SimulatorChild(const std::string& program, const std::vector<std::string>& arguments);
    // Asks it to quit, then ends it if it has not after 5 s.
    ~SimulatorChild();
    SimulatorChild(const SimulatorChild&) = delete;
    SimulatorChild& operator=(const SimulatorChild&) = delete;

    bool IsReady() const { return ready; }
    const std::string& StartOutput() const { return startOutput; }

    // Sends a command line and gives the reply line, or "" after 5 s without one.
    std::string Command(const std::string& line);

private:
    std::string ReadLine(DWORD timeoutMs);

    PROCESS_INFORMATION process{};
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    bool ready = false;
    std::string startOutput;
    std::string pending;
};
