#include "simlink/IpcServices.h"
#include "simlink/posix/PosixClock.h"
#include "simlink/posix/PosixTransport.h"

IpcServices PlatformIpcServices() {
    static PosixTransport transport;
    static PosixClock clock;
    return IpcServices{&transport, &clock};
}
