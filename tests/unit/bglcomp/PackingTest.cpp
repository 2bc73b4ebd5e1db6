#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/bglcomp/BglPacking.h"
#include "tools/bglcomp/HeaderQmids.h"
#include "tools/bglcomp/SceneryValues.h"

using namespace Bglcomp;

namespace {

struct CellCase {
    double lat;
    double lon;
    std::uint32_t u11;
    std::uint32_t v11;
    std::uint32_t qmid11;
    std::uint32_t qmid9;
};

std::uint32_t QmidAt(double lat, double lon, int level) {
    return Qmid(CellAt(PackLongitude(lon), PackLatitude(lat), level));
}

}  // namespace

TEST(Packing, WorkedCellsAndQmids) {
    const CellCase cases[] = {
        {47.5, -122.25, 246, 241, 0x0080FF16u, 0x00080FF1u},
        {-33.9461, 151.1772, 1413, 705, 0x0099E013u, 0x00099E01u},
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lat << ", " << c.lon);
        const Cell cell = CellAt(PackLongitude(c.lon), PackLatitude(c.lat), 11);
        EXPECT_EQ(cell.u, c.u11);
        EXPECT_EQ(cell.v, c.v11);
        EXPECT_EQ(Qmid(cell), c.qmid11);
        EXPECT_EQ(QmidAt(c.lat, c.lon, 9), c.qmid9);
        EXPECT_EQ(CellOfQmid(c.qmid11), cell);
        EXPECT_EQ(CellOfQmid(c.qmid9), Parent(cell, 9));
    }
}

TEST(Packing, CoordinatesAtTheEdgesOfTheWorld) {
    EXPECT_EQ(PackLongitude(-180.0), 0u);
    EXPECT_EQ(PackLongitude(0.0), 0x18000000u);
    EXPECT_EQ(PackLongitude(180.0), 0u);  // the same meridian as -180
    EXPECT_EQ(PackLongitude(179.9999999999), 0u);
    EXPECT_EQ(PackLatitude(90.0), 0u);
    EXPECT_EQ(PackLatitude(0.0), 0x10000000u);
    EXPECT_EQ(PackLatitude(-90.0), latRange);
    // The south pole files into the last row, not a row past it.
    EXPECT_EQ(CellAt(0, latRange, 11).v, 1023u);
    EXPECT_EQ(CellOfQmid(QmidAt(-90.0, 179.99, 15)), CellAt(PackLongitude(179.99), latRange - 1, 15));
}

TEST(Packing, AnglesWrapToOneTurn) {
    const std::pair<double, std::uint16_t> cases[] = {
        {0.0, 0}, {90.0, 0x4000}, {-90.0, 0xC000}, {360.0, 0}, {720.0 + 180.0, 0x8000},
        {359.999, 0}, {25.0500504, 4560}, {-0.001, 0}, {-450.0, 0xC000},
    };
    for (const auto& [degrees, packed] : cases) {
        EXPECT_EQ(PackAngle(degrees), packed) << degrees;
    }
}

TEST(Packing, GuidGroupsAreStoredLittleEndian) {
    const ParsedValue<GuidBytes> guid = ParseGuid("4808a0b04d43fc5620867d91fc8c6eb3");
    ASSERT_TRUE(guid.Ok());
    const GuidBytes expected{0xb0, 0xa0, 0x08, 0x48, 0x56, 0xfc, 0x43, 0x4d,
                             0x91, 0x7d, 0x86, 0x20, 0xb3, 0x6e, 0x8c, 0xfc};
    EXPECT_EQ(guid.value, expected);
    EXPECT_EQ(ParseGuid("4808A0B04D43FC5620867D91FC8C6EB3").value, expected);
}

TEST(HeaderQmids, FewCellsAreStoredAtLevelNineWithoutDuplicates) {
    // Two level-11 cells in one level-9 cell, one elsewhere.
    const std::vector<std::uint32_t> subsections{0x0080FF16u, 0x0080FF17u, 0x0099E013u};
    const auto slots = HeaderQmids(subsections);
    EXPECT_EQ(slots[0], 0x00080FF1u);
    EXPECT_EQ(slots[1], 0x00099E01u);
    for (std::size_t i = 2; i < slots.size(); ++i) {
        EXPECT_EQ(slots[i], 0u);
    }
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

TEST(HeaderQmids, ManyCellsAllOverTheWorldStayCoveredByEight) {
    std::vector<std::uint32_t> subsections;
    for (double lat = -89.0; lat <= 89.0; lat += 7.3) {
        for (double lon = -179.0; lon <= 179.0; lon += 11.1) {
            subsections.push_back(QmidAt(lat, lon, 11));
        }
    }
    const auto slots = HeaderQmids(subsections);
    std::vector<Cell> cover;
    for (const std::uint32_t qmid : slots) {
        if (qmid != 0) {
            cover.push_back(CellOfQmid(qmid));
            EXPECT_LE(cover.back().level, 9);
        }
    }
    ASSERT_FALSE(cover.empty());
    for (const std::uint32_t qmid : subsections) {
        const Cell cell = CellOfQmid(qmid);
        const auto covers = [&](const Cell& outer) { return Parent(cell, outer.level) == outer; };
        EXPECT_EQ(std::count_if(cover.begin(), cover.end(), covers), 1) << std::hex << qmid;
    }
}
