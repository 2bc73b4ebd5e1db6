#pragma once

#include <cstdint>

#include "tools/bglcomp/BglPacking.h"

namespace Bglcomp {

// One placed library object, already in the packed form of its 48-byte record, plus the QMID of
// the cell that files it. Kept this small because a region's file holds a million of them and
// all must be sorted by cell before the first record is written.
struct LibraryObjectRecord {
    std::uint32_t cellQmid = 0;
    std::uint32_t lonRaw = 0;
    std::uint32_t latRaw = 0;
    std::int32_t altitudeMm = 0;
    std::uint16_t flags = 0;
    std::uint16_t pitch = 0;
    std::uint16_t bank = 0;
    std::uint16_t heading = 0;
    std::uint16_t imageComplexity = 0;
    GuidBytes guid{};
    float scale = 1.0f;
};

// Flag bit 0: the altitude is above ground rather than above sea level.
inline constexpr std::uint16_t altitudeIsAglFlag = 0x0001;

}  // namespace Bglcomp
