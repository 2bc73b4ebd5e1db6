#include "simlink/posix/PosixClock.h"

#include <chrono>
#include <thread>

void PosixClock::Pause(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
