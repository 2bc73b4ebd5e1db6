// Feeds arbitrary request areas, as a client might write them, to the stand-in simulator's server
// side. It may touch only the area and its own offset space, whatever the records say.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "simlink/RequestArea.h"
#include "tools/simulator/OffsetSpace.h"
#include "tools/simulator/ServeRequestArea.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static OffsetSpace offsets;
    const auto area = std::make_unique<std::byte[]>(RequestArea::areaSize);
    std::memset(area.get(), 0, RequestArea::areaSize);
    std::memcpy(area.get(), data, size < RequestArea::areaSize ? size : RequestArea::areaSize);
    ServeRequestArea(RequestArea::Area{area.get(), RequestArea::areaSize}, offsets);
    return 0;
}
