#pragma once

#include <cstdint>

// The outcome of a simulator-link operation. The numbers are part of the link's contract with its
// callers and never change.
enum class IpcResult : std::uint32_t {
    Okay = 0,
    AlreadyOpen = 1,
    NoServerWindow = 2,
    RegisterMessageFailed = 3,
    AtomFailed = 4,
    MappingFailed = 5,
    ViewFailed = 6,
    WrongServerVersion = 7,
    WrongSimulatorVersion = 8,
    NotOpen = 9,
    NoRequests = 10,
    TimedOut = 11,
    SendFailed = 12,
    BadData = 13,
    SimulatorNotRunning = 14,
    BufferFull = 15,
};

// The fixed text shown for a result; "Unknown error" for any number outside 0 to 15.
const char* IpcResultText(IpcResult result);
