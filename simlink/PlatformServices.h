#pragma once

#include <memory>

#include "simlink/IpcClock.h"
#include "simlink/IpcTransport.h"

// The platform's own transport and clock (Windows services, or the local-socket stand-in on POSIX),
// made fresh for each link that is not given its own.
std::unique_ptr<IpcTransport> MakePlatformTransport();
std::unique_ptr<IpcClock> MakePlatformClock();
