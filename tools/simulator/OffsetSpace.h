#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>

// The simulator's offset space as the stand-in serves it: 64 KiB of numbered bytes. Bytes beyond the
// space read as 0 and take no writes. Bytes made read-only keep the value clients read; what clients
// write there is taken aside (as FSUIPC takes the client version written over its version word).
class OffsetSpace {
public:
    static constexpr std::uint32_t size = 0x10000;

    // What a client's read and write records do.
    void Read(std::uint32_t offset, std::span<std::byte> out) const;
    void Write(std::uint32_t offset, std::span<const std::byte> in);

    void MakeReadOnly(std::uint32_t offset, std::uint32_t length);

    // The simulator's own access, little-endian, read-only bytes included.
    std::uint32_t Word(std::uint32_t offset) const;
    std::int64_t Long(std::uint32_t offset) const;
    void SetWord(std::uint32_t offset, std::uint32_t value);
    void SetLong(std::uint32_t offset, std::int64_t value);
    // What clients last wrote to read-only bytes.
    std::uint16_t TakenHalf(std::uint32_t offset) const;

private:
    static std::uint64_t Load(const std::array<std::byte, size>& from, std::uint32_t offset, int length);
    void Store(std::uint32_t offset, std::uint64_t value, int length);

    std::array<std::byte, size> bytes{};
    std::array<std::byte, size> taken{};
    std::bitset<size> readOnly;
};
