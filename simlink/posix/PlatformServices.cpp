#include "simlink/PlatformServices.h"

#include "simlink/posix/PosixClock.h"
#include "simlink/posix/PosixTransport.h"

std::unique_ptr<IpcTransport> MakePlatformTransport() {
    return std::make_unique<PosixTransport>();
}

std::unique_ptr<IpcClock> MakePlatformClock() {
    return std::make_unique<PosixClock>();
}
