#include "simlink/IpcServices.h"
#include "simlink/win32/Win32Clock.h"
#include "simlink/win32/Win32Transport.h"

IpcServices PlatformIpcServices() {
    static Win32Transport transport;
    static Win32Clock clock;
    return IpcServices{&transport, &clock};
}
