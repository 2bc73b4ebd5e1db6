#include "tools/simulator/ServeRequestArea.h"

bool ServeRequestArea(RequestArea::Area area, OffsetSpace& offsets) {
    using namespace RequestArea;
    std::uint64_t position = 0;
    while (position + endMarkerSize <= areaSize) {
        std::byte* record = area.data() + position;
        const std::uint32_t kind = LoadWord(record);
        if (kind == endKind) {
            return true;
        }
        if (kind != readKind && kind != writeKind) {
            return false;
        }
        const std::uint32_t header = kind == readKind ? readHeaderSize : writeHeaderSize;
        if (position + header > areaSize) {
            return false;
        }
        const std::uint32_t offset = LoadWord(record + 4);
        const std::uint32_t size = LoadWord(record + 8);
        if (position + header + size > areaSize) {
            return false;
        }
        if (kind == readKind) {
            offsets.Read(offset, std::span<std::byte>(record + header, size));
        } else {
            offsets.Write(offset, std::span<const std::byte>(record + header, size));
        }
        position += header + size;
    }
    return false;
}
