#include "document/PlantingList.h"

#include "document/AddPlantingObjects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

struct Position {
    double latitude, longitude;
};

// The plain rule the list must agree with: a linear scan, the first near entry wins.
std::vector<std::size_t> KeptByLinearScan(const std::vector<Position>& positions) {
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto near = [&](std::size_t k) {
            return std::fabs(positions[k].latitude - positions[i].latitude) < 5e-06 &&
                   std::fabs(positions[k].longitude - positions[i].longitude) < 5e-06;
        };
        if (std::none_of(kept.begin(), kept.end(), near)) {
            kept.push_back(i);
        }
    }
    return kept;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectSameAsLinearScan(const std::vector<Position>& positions) {
    PlantingList list;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        list.Add(positions[i].latitude, positions[i].longitude, "G" + std::to_string(i));
    }
    const std::vector<std::size_t> kept = KeptByLinearScan(positions);
    ASSERT_EQ(list.Count(), kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const Position& p = positions[kept[i]];
        ASSERT_TRUE(SameBits(list.LatitudeAt(i), p.latitude) && SameBits(list.LongitudeAt(i), p.longitude))
            << "entry " << i << " at (" << p.latitude << ", " << p.longitude << ")";
        ASSERT_EQ(list.GuidAt(i), "G" + std::to_string(kept[i])) << "entry " << i;
    }
}

// Values around which the index's arithmetic could go wrong: cell borders, the threshold itself, the
// border between grid cells and exact keys, zeros, subnormals, the largest doubles and non-finite ones.
std::vector<double> AdversarialValues() {
    const double inf = std::numeric_limits<double>::infinity();
    const double cell = 1.0 / 16384.0;
    const double bases[] = {0.0, -0.0, 47.5, -122.25, cell, -cell, 3 * cell, cell / 2,
                            1e-300, 4.9e-324, 180.0, -90.0, 1e10, 0x1p46, -0x1p46, 0x1p46 - 0.5,
                            0x1p50, 1e300, -1.7976931348623157e308, inf, -inf, std::nan("")};
    std::vector<double> values;
    for (double base : bases) {
        values.push_back(base);
        for (double delta : {5e-06, -5e-06, 4.999999e-06, 5.000001e-06, 2.5e-06, 1e-5, cell - 5e-06, 5e-06 - cell}) {
            values.push_back(base + delta);
            values.push_back(std::nextafter(base + delta, inf));
            values.push_back(std::nextafter(base + delta, -inf));
        }
    }
    return values;
}

}  // namespace

TEST(PlantingList, AgreesWithLinearScanOnAdversarialValues) {
    const std::vector<double> values = AdversarialValues();
    std::vector<Position> positions;
    // Every value as latitude against a spread of values as longitude, in an order that mixes them.
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t j = i % 7; j < values.size(); j += 7) {
            positions.push_back({values[i], values[j]});
        }
    }
    std::mt19937_64 shuffle(7);
    std::shuffle(positions.begin(), positions.end(), shuffle);
    ExpectSameAsLinearScan(positions);
}

TEST(PlantingList, AppendUncheckedClearAndCopies) {
    PlantingList list;
    list.Add(1.0, 2.0, "A");
    list.AppendUnchecked(1.0, 2.0, "B");
    list.Add(1.000001, 2.000001, "C");  // near both, so left out
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.GuidAt(1), "B");

    PlantingList copy;
    copy.Add(10.0, 10.0, "X");
    copy = list;
    copy.Add(1.0, 2.0, "D");    // the copy's index knows the copied entries
    copy.Add(10.0, 10.0, "Y");  // and no longer the replaced one
    EXPECT_EQ(copy.Count(), 3u);
    EXPECT_EQ(list.Count(), 2u);

    list.Clear();
    list.Add(1.0, 2.0, "E");  // compared against nothing
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.GuidAt(0), "E");
}

TEST(PlantingList, AddingParsedObjectsKeepsTheRuleAndTheOrder) {
    PlantingList list;
    list.Add(47.5, 8.25, "planted before");
    std::vector<ParsedPlantingObject> objects = {
        {47.500001, 8.250001, "near the planted one"}, {10.0, 20.0, "A"}, {10.000004, 20.000004, "near A"}};
    for (int i = 0; i < 100; ++i) {  // enough objects for the look-ahead to matter
        objects.push_back({i * 0.001, -i * 0.001, "C" + std::to_string(i)});
    }
    AddPlantingObjects(list, objects);
    ASSERT_EQ(list.Count(), 102u);
    EXPECT_EQ(list.GuidAt(0), "planted before");
    EXPECT_EQ(list.GuidAt(1), "A");
    EXPECT_EQ(list.GuidAt(101), "C99");
}
