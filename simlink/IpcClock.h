#pragma once

#include <cstdint>

// The clock the simulator link pauses on between send attempts and handshake passes. Tests put a
// virtual clock in its place so that the long time-outs cost nothing.
class IpcClock {
public:
    virtual ~IpcClock() = default;
    virtual void Pause(std::uint32_t milliseconds) = 0;
};
