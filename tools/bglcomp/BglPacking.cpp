#include "tools/bglcomp/BglPacking.h"

#include <bit>
#include <cmath>

namespace Bglcomp {

namespace {

// Spreads the low 16 bits of x to the even bit positions.
std::uint32_t SpreadBits(std::uint32_t x) {
    x &= 0xFFFFu;
    x = (x | (x << 8)) & 0x00FF00FFu;
    x = (x | (x << 4)) & 0x0F0F0F0Fu;
    x = (x | (x << 2)) & 0x33333333u;
    x = (x | (x << 1)) & 0x55555555u;
    return x;
}

// Gathers the even bit positions of x into the low 16 bits.
std::uint32_t GatherBits(std::uint32_t x) {
    x &= 0x55555555u;
    x = (x | (x >> 1)) & 0x33333333u;
    x = (x | (x >> 2)) & 0x0F0F0F0Fu;
    x = (x | (x >> 4)) & 0x00FF00FFu;
    x = (x | (x >> 8)) & 0x0000FFFFu;
    return x;
}

}  // namespace

std::uint32_t PackLongitude(double lon) {
    const double raw = std::round((lon + 180.0) * static_cast<double>(lonRange) / 360.0);
    const auto packed = static_cast<std::uint32_t>(raw);
    return packed >= lonRange ? packed - lonRange : packed;
}

std::uint32_t PackLatitude(double lat) {
    return static_cast<std::uint32_t>(std::round((90.0 - lat) * static_cast<double>(latRange) / 180.0));
}

std::uint16_t PackAngle(double degrees) {
    // fmod leaves an angle already within [0, 360) exactly as it is, so most skip the call.
    double turn = degrees >= 0.0 && degrees < 360.0 ? degrees : std::fmod(degrees, 360.0);
    if (turn < 0.0) {
        turn += 360.0;
    }
    const auto units = static_cast<std::uint32_t>(std::round(turn * 65536.0 / 360.0));
    return static_cast<std::uint16_t>(units & 0xFFFFu);
}

Cell CellAt(std::uint32_t lonRaw, std::uint32_t latRaw, int level) {
    // The south pole itself packs to latRange, one row past the last; it belongs to the last row.
    const std::uint32_t lat = latRaw < latRange ? latRaw : latRange - 1;
    const int shift = 30 - level;
    return Cell{level, lonRaw >> shift, lat >> shift};
}

Cell Parent(const Cell& cell, int level) {
    const int up = cell.level - level;
    return Cell{level, cell.u >> up, cell.v >> up};
}

std::uint32_t Qmid(const Cell& cell) {
    const std::uint32_t marker = 2u << (2 * cell.level);
    return marker | SpreadBits(cell.u) | (SpreadBits(cell.v) << 1);
}

Cell CellOfQmid(std::uint32_t qmid) {
    if (qmid < 2u) {
        return Cell{};
    }
    // The marker is the highest set bit, at an odd position 2L + 1.
    const int level = (std::bit_width(qmid) - 2) / 2;
    const std::uint32_t bits = qmid & ((2u << (2 * level)) - 1u);
    return Cell{level, GatherBits(bits), GatherBits(bits >> 1)};
}

}  // namespace Bglcomp
