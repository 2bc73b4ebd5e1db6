#include "tools/relay/CheckClientArea.h"

#include "simlink/IpcLink.h"
#include "simlink/tcp/RelayProtocol.h"

bool CheckClientArea(std::span<const std::byte> area, bool allowWrites) {
    return RelayProtocol::WalkUsedArea(
        area, [allowWrites](std::uint32_t kind, std::uint32_t offset, std::uint32_t size) {
            return kind == RequestArea::readKind || allowWrites ||
                   (offset == IpcLink::clientVersionOffset && size == 2);
        });
}
