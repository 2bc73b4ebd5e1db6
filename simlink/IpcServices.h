#pragma once

#include "simlink/IpcClock.h"
#include "simlink/IpcTransport.h"

// The transport and clock a new IpcLink uses when it is not given its own.
struct IpcServices {
    IpcTransport* transport = nullptr;
    IpcClock* clock = nullptr;
};

// The platform's real transport and clock (Windows services, or the local-socket stand-in on POSIX).
IpcServices PlatformIpcServices();

// The services new links use: the platform's unless replaced.
IpcServices DefaultIpcServices();

// Makes new links use other services (a test's fake); gives back the ones used until now. Services
// without a transport or clock stand for the platform's. Not meant to be called while links are being
// made on another thread.
IpcServices ReplaceDefaultIpcServices(IpcServices services);
