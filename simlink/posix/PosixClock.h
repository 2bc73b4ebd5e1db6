#pragma once

#include "simlink/IpcClock.h"

// Pauses the calling thread for real.
class PosixClock final : public IpcClock {
public:
    void Pause(std::uint32_t milliseconds) override;
};
