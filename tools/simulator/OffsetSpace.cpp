#include "tools/simulator/OffsetSpace.h"

void OffsetSpace::Read(std::uint32_t offset, std::span<std::byte> out) const {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::uint64_t at = std::uint64_t{offset} + i;
        out[i] = at < size ? bytes[at] : std::byte{0};
    }
}

void OffsetSpace::Write(std::uint32_t offset, std::span<const std::byte> in) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::uint64_t at = std::uint64_t{offset} + i;
        if (at >= size) {
            break;
        }
        (readOnly[at] ? taken : bytes)[at] = in[i];
    }
}

void OffsetSpace::MakeReadOnly(std::uint32_t offset, std::uint32_t length) {
    for (std::uint64_t at = offset; at < std::uint64_t{offset} + length && at < size; ++at) {
        readOnly[at] = true;
    }
}

std::uint64_t OffsetSpace::Load(const std::array<std::byte, size>& from, std::uint32_t offset, int length) {
    std::uint64_t value = 0;
    for (int i = length - 1; i >= 0; --i) {
        const std::uint64_t at = std::uint64_t{offset} + static_cast<unsigned>(i);
        value = (value << 8) | (at < size ? std::to_integer<std::uint64_t>(from[at]) : 0);
    }
    return value;
}

void OffsetSpace::Store(std::uint32_t offset, std::uint64_t value, int length) {
    for (int i = 0; i < length; ++i) {
        const std::uint64_t at = std::uint64_t{offset} + static_cast<unsigned>(i);
        if (at < size) {
            bytes[at] = static_cast<std::byte>(value >> (8 * i));
        }
    }
}

std::uint16_t OffsetSpace::TakenHalf(std::uint32_t offset) const {
    return static_cast<std::uint16_t>(Load(taken, offset, 2));
}

std::uint32_t OffsetSpace::Word(std::uint32_t offset) const { return static_cast<std::uint32_t>(Load(bytes, offset, 4)); }

std::int64_t OffsetSpace::Long(std::uint32_t offset) const { return static_cast<std::int64_t>(Load(bytes, offset, 8)); }

void OffsetSpace::SetWord(std::uint32_t offset, std::uint32_t value) { Store(offset, value, 4); }

void OffsetSpace::SetLong(std::uint32_t offset, std::int64_t value) {
    Store(offset, static_cast<std::uint64_t>(value), 8);
}
