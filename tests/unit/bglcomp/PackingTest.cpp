#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "tools/bglcomp/BglPacking.h"
#include "tools/bglcomp/HeaderQmids.h"

using namespace Bglcomp;

TEST(Packing, CoordinatesAtTheEdgesOfTheWorldAndAnglesRoundedIntoOneTurn) {
    EXPECT_EQ(PackLongitude(-180.0), 0u);
    EXPECT_EQ(PackLongitude(180.0), 0u);  // the same meridian as -180
    EXPECT_EQ(PackLongitude(179.9999999999), 0u);
    EXPECT_EQ(PackLatitude(90.0), 0u);
    EXPECT_EQ(PackLatitude(-90.0), latRange);
    // The south pole files into the last row, not a row past it.
    EXPECT_EQ(CellAt(0, latRange, 11).v, 1023u);
    const std::pair<double, std::uint16_t> angles[] = {
        {359.999, 0}, {-0.001, 0}, {-450.0, 0xC000}, {720.0 + 180.0, 0x8000}, {25.0500504, 4560}};
    for (const auto& [degrees, packed] : angles) {
        EXPECT_EQ(PackAngle(degrees), packed) << degrees;
    }
}

TEST(HeaderQmids, FewCellsAreStoredAtLevelNineWithoutDuplicates) {
    // Two level-11 cells in one level-9 cell, one elsewhere.
    const auto slots = HeaderQmids({0x0080FF16u, 0x0080FF17u, 0x0099E013u});
    const std::array<std::uint32_t, 8> expected{0x00080FF1u, 0x00099E01u};
    EXPECT_EQ(slots, expected);
    EXPECT_EQ(HeaderQmids({}), (std::array<std::uint32_t, 8>{}));
}

TEST(HeaderQmids, NineCellsAreCoveredFromTheTopDown) {
    // Level-9 cells: a full level-8 cell (30,30), another full one (31,30), and one in (32,30).
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> level9{
        {60, 60}, {61, 60}, {60, 61}, {61, 61}, {62, 60}, {63, 60}, {62, 61}, {63, 61}, {64, 60}};
    std::vector<std::uint32_t> subsections;
    for (const auto& [u, v] : level9) {
        subsections.push_back(Qmid(Cell{11, u * 4 + 1, v * 4 + 2}));
    }
    // Splitting (30,30) fits (6 cells), splitting (31,30) would make 9, (32,30) has one child.
    std::vector<std::uint32_t> expected{Qmid(Cell{9, 60, 60}), Qmid(Cell{9, 61, 60}), Qmid(Cell{9, 60, 61}),
                                        Qmid(Cell{9, 61, 61}), Qmid(Cell{8, 31, 30}), Qmid(Cell{9, 64, 60})};
    std::sort(expected.begin(), expected.end());
    expected.resize(8, 0u);
    const auto slots = HeaderQmids(subsections);
    EXPECT_EQ(std::vector<std::uint32_t>(slots.begin(), slots.end()), expected);
}
