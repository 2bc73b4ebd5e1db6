#include "simlink/IpcLinkMaker.h"

IpcLinkMaker PlatformIpcLinkMaker() {
    return [](std::uint32_t requestedVersion) { return std::make_unique<IpcLink>(requestedVersion); };
}
