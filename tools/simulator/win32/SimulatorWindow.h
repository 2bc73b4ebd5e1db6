#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "tools/simulator/AnswerMode.h"
#include "tools/simulator/SimulatorState.h"

// The stand-in simulator's server on Windows: a hidden top-level window of the server's class, on a
// thread of its own, that answers the link's registered message as FSUIPC does. It opens the shared
// memory named by the atom's text, performs the records against the state's offset space and answers
// 1 (0 for an area it cannot open or walk), or shows the answer mode's fault.
//
// The console thread changes the state and the mode under Lock(), then calls ModeChanged.
class SimulatorWindow {
public:
    SimulatorWindow(SimulatorState& state, AnswerMode& mode);
    ~SimulatorWindow();
    SimulatorWindow(const SimulatorWindow&) = delete;
    SimulatorWindow& operator=(const SimulatorWindow&) = delete;

    // Creates the window; refuses when a window of that class exists already (another server).
    bool Start(const std::string& windowClass, std::string& problem);

    std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex); }
    // Lets a request held by the "never" mode go once the mode changed.
    void ModeChanged() { modeChanged.notify_all(); }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(const std::string& windowClass, std::promise<std::string>& started);
    LRESULT Serve(ATOM atom);
    bool HoldWhileNever(std::unique_lock<std::mutex>& lock);

    SimulatorState& state;
    AnswerMode& mode;
    std::mutex mutex;
    std::condition_variable modeChanged;
    bool stopping = false;
    UINT linkMessage = 0;
    HWND window = nullptr;
    DWORD threadId = 0;
    std::thread thread;
};
