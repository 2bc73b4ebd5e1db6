#include "simlink/RequestArea.h"

#include <bit>
#include <cstring>

namespace RequestArea {

namespace {

bool Fits(std::size_t used, std::uint32_t size, std::uint32_t header) {
    // Summed in 64 bits so that no size wraps around into a small total.
    const std::uint64_t total = std::uint64_t{used} + size + header + endMarkerSize;
    return total <= capacity;
}

}  // namespace

std::uint32_t LoadWord(const std::byte* at) {
    std::uint32_t value = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, at, sizeof value);
    } else {
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | std::to_integer<std::uint32_t>(at[i]);
        }
    }
    return value;
}

void StoreWord(std::byte* at, std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &value, sizeof value);
    } else {
        for (int i = 0; i < 4; ++i) {
            at[i] = static_cast<std::byte>(value >> (8 * i));
        }
    }
}

bool ReadFits(std::size_t used, std::uint32_t size) { return Fits(used, size, readHeaderSize); }

bool WriteFits(std::size_t used, std::uint32_t size) { return Fits(used, size, writeHeaderSize); }

std::uint32_t PutRead(std::byte* at, std::uint32_t offset, std::uint32_t size, std::uint32_t reference) {
    StoreWord(at, readKind);
    StoreWord(at + 4, offset);
    StoreWord(at + 8, size);
    StoreWord(at + 12, reference);
    std::memset(at + readHeaderSize, 0, size);
    return readHeaderSize + size;
}

std::uint32_t PutWrite(std::byte* at, std::uint32_t offset, std::uint32_t size, const void* source) {
    StoreWord(at, writeKind);
    StoreWord(at + 4, offset);
    StoreWord(at + 8, size);
    if (size != 0) {
        std::memcpy(at + writeHeaderSize, source, size);
    }
    return writeHeaderSize + size;
}

void PutEndMarker(std::byte* at) { StoreWord(at, endKind); }

bool AnswerMatchesQueue(ConstArea area, std::uint32_t end, std::span<const PendingRead> pending) {
    if (end > areaSize - endMarkerSize) {
        return false;
    }
    std::size_t next = 0;  // the pending read the walk expects next
    // Each step is checked to end at or before the end marker, so that every load stays in the area.
    std::uint64_t position = 0;
    for (;;) {
        const std::byte* record = area.data() + position;
        const std::uint32_t kind = LoadWord(record);
        if (kind == endKind) {
            return position == end && next == pending.size();
        }
        const std::uint32_t header = kind == readKind ? readHeaderSize : writeHeaderSize;
        if ((kind != readKind && kind != writeKind) || position + header > end) {
            return false;
        }
        const std::uint32_t size = LoadWord(record + 8);
        if (position + header + size > end) {
            return false;
        }
        if (kind == readKind) {
            const std::uint32_t reference = LoadWord(record + 12);
            if (reference != 0) {
                if (next >= pending.size() || reference != next + 1 || pending[next].position != position ||
                    pending[next].size != size) {
                    return false;
                }
                ++next;
            }
        }
        position += header + size;
    }
}

bool DeliverAnswer(ConstArea area, std::uint32_t end, std::span<const PendingRead> pending) {
    if (!AnswerMatchesQueue(area, end, pending)) {
        return false;
    }
    // Copies by what the client queued, not by what the area says, so that a server changing the area
    // after the check still cannot steer a copy.
    for (const PendingRead& read : pending) {
        std::memcpy(read.destination, area.data() + read.position + readHeaderSize, read.size);
    }
    return true;
}

}  // namespace RequestArea
