#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "simlink/IpcLink.h"

// Makes a link opened with the requested simulator version (0: any); the caller reads GetResult.
// The window is given one, so that tests and the relay option choose the transport.
using IpcLinkMaker = std::function<std::unique_ptr<IpcLink>(std::uint32_t requestedVersion)>;

// Links over the platform's own transport and clock.
IpcLinkMaker PlatformIpcLinkMaker();
