#include "simlink/PlatformServices.h"

#include "simlink/win32/Win32Clock.h"
#include "simlink/win32/Win32Transport.h"

std::unique_ptr<IpcTransport> MakePlatformTransport() {
    return std::make_unique<Win32Transport>();
}

std::unique_ptr<IpcClock> MakePlatformClock() {
    return std::make_unique<Win32Clock>();
}
