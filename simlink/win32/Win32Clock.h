#pragma once

#include "simlink/IpcClock.h"

// Pauses the calling thread with the system's Sleep.
class Win32Clock final : public IpcClock {
public:
    void Pause(std::uint32_t milliseconds) override;
};
