#pragma once

#include <array>
#include <cstdint>

// How an FS2004 scenery-object file packs positions, angles and object names, and how it files
// objects into quad meridian cells (QMIDs). Pure arithmetic, shared by the encoder and the tests.
namespace Bglcomp {

// Packed longitude spans [0, lonRange): -180 degrees is 0, one turn is lonRange.
inline constexpr std::uint32_t lonRange = 0x30000000u;
// Packed latitude: the north pole is 0, the south pole latRange.
inline constexpr std::uint32_t latRange = 0x20000000u;
// The level of the cells that hold the objects (one subsection per cell).
inline constexpr int subsectionLevel = 11;
// The deepest level a header cell may have, and how many header cells there are.
inline constexpr int headerLevel = 9;
inline constexpr int headerQmidCount = 8;

// Degrees east in -180..180 to the packed form, rounded to nearest; 180 wraps to 0, as -180.
std::uint32_t PackLongitude(double lon);
// Degrees north in -90..90 to the packed form, rounded to nearest.
std::uint32_t PackLatitude(double lat);
// An angle in degrees, any sign or size, to 1/65536 of a turn.
std::uint16_t PackAngle(double degrees);

// One quad meridian cell: column u (from -180 eastward) and row v (from the north pole) at a level.
struct Cell {
    int level = 0;
    std::uint32_t u = 0;
    std::uint32_t v = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// The cell at the level that holds a packed position.
Cell CellAt(std::uint32_t lonRaw, std::uint32_t latRaw, int level);
// The same cell seen from a coarser level.
Cell Parent(const Cell& cell, int level);
// The 32-bit QMID of a cell (levels 0 to 15): marker bit, then u and v interleaved.
std::uint32_t Qmid(const Cell& cell);
// The cell a 32-bit QMID names.
Cell CellOfQmid(std::uint32_t qmid);

// The 16 stored bytes of an object's GUID, as the record holds them.
using GuidBytes = std::array<std::uint8_t, 16>;

}  // namespace Bglcomp
