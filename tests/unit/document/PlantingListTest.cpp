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

// The plain rule the list must agree with: a linear scan, first near entry wins.
class LinearScanList {
public:
    void Add(double latitude, double longitude, const std::string& guid) {
        for (std::size_t i = 0; i < latitudes.size(); ++i) {
            if (std::fabs(latitudes[i] - latitude) < 5e-06 && std::fabs(longitudes[i] - longitude) < 5e-06) {
                return;
            }
        }
        latitudes.push_back(latitude);
        longitudes.push_back(longitude);
        guids.push_back(guid);
    }
    std::vector<double> latitudes, longitudes;
    std::vector<std::string> guids;
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectSameContent(const PlantingList& list, const LinearScanList& reference) {
    ASSERT_EQ(list.Count(), reference.latitudes.size());
    for (std::size_t i = 0; i < list.Count(); ++i) {
        ASSERT_TRUE(SameBits(list.LatitudeAt(i), reference.latitudes[i])) << "entry " << i;
        ASSERT_TRUE(SameBits(list.LongitudeAt(i), reference.longitudes[i])) << "entry " << i;
        ASSERT_EQ(list.GuidAt(i), reference.guids[i]) << "entry " << i;
    }
}

struct Position {
    double latitude, longitude;
};

// Adds the same positions to both lists and compares the count after every call.
void RunBoth(const std::vector<Position>& positions) {
    PlantingList list;
    LinearScanList reference;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const std::string guid = "G" + std::to_string(i);
        list.Add(positions[i].latitude, positions[i].longitude, guid);
        reference.Add(positions[i].latitude, positions[i].longitude, guid);
        ASSERT_EQ(list.Count(), reference.latitudes.size())
            << "after adding (" << positions[i].latitude << ", " << positions[i].longitude << "), call " << i;
    }
    ExpectSameContent(list, reference);
}

// Values around which the index's arithmetic could go wrong: cell borders, the threshold itself, the
// border between grid cells and exact keys, zeros, subnormals, the largest doubles and non-finite ones.
std::vector<double> AdversarialValues() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double cell = 1.0 / 16384.0;
    std::vector<double> bases = {0.0,      -0.0,       47.5,       -122.25,     cell,         -cell,
                                 3 * cell, cell / 2, 1e-300,     -1e-300,    4.9e-324,    180.0,        -90.0,
                                 1e10,     -1e10,      0x1p46,     -0x1p46,     0x1p46 - 0.5, 0x1p50,
                                 1e300,    -1.7976931348623157e308, inf,        -inf,         nan};
    std::vector<double> values;
    for (double base : bases) {
        values.push_back(base);
        for (double delta : {5e-06, -5e-06, 4.999999e-06, 5.000001e-06, 2.5e-06, 1e-5, 5e-06 / 2,
                             cell - 5e-06, 5e-06 - cell}) {
            values.push_back(base + delta);
            values.push_back(std::nextafter(base + delta, inf));
            values.push_back(std::nextafter(base + delta, -inf));
        }
    }
    return values;
}

}  // namespace

TEST(PlantingList, NearnessRuleCases) {
    struct Case {
        const char* what;
        Position first, second;
        std::size_t expectedCount;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"both coordinates within 4e-6", {10.0, 20.0}, {10.000004, 20.000004}, 1},
        {"longitude 1e-5 away", {10.0, 20.0}, {10.000004, 20.00001}, 2},
        {"latitude only near", {10.0, 20.0}, {10.0, 21.0}, 2},
        {"same position", {10.0, 20.0}, {10.0, 20.0}, 1},
        {"exactly the threshold apart is distinct", {0.0, 0.0}, {5e-06, 0.0}, 2},
        {"zero and negative zero", {0.0, -0.0}, {-0.0, 0.0}, 1},
        {"NaN never near", {nan, 20.0}, {nan, 20.0}, 2},
        {"NaN beside a real entry", {10.0, 20.0}, {10.0, nan}, 2},
        {"infinities never near", {inf, inf}, {inf, inf}, 2},
        {"huge equal magnitudes are near", {1e300, -1e300}, {1e300, -1e300}, 1},
    };
    for (const Case& c : cases) {
        PlantingList list;
        list.Add(c.first.latitude, c.first.longitude, "A");
        list.Add(c.second.latitude, c.second.longitude, "B");
        EXPECT_EQ(list.Count(), c.expectedCount) << c.what;
        EXPECT_EQ(list.GuidAt(0), "A") << c.what;
    }
}

TEST(PlantingList, AppendUncheckedAndClear) {
    PlantingList list;
    list.Add(1.0, 2.0, "A");
    list.AppendUnchecked(1.0, 2.0, "B");
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.GuidAt(1), "B");
    list.Add(1.000001, 2.000001, "C");
    EXPECT_EQ(list.Count(), 2u);

    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    list.Add(1.0, 2.0, "D");  // compared against nothing
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.GuidAt(0), "D");
}

TEST(PlantingList, CopiesAreIndependentValues) {
    PlantingList original;
    original.Add(47.5, 8.25, "A");
    PlantingList copy;
    copy.Add(10.0, 10.0, "X");
    copy = original;
    copy.Add(47.5, 8.25, "B");  // near the copied entry: the copy's index must know it
    EXPECT_EQ(copy.Count(), 1u);
    copy.Add(10.0, 10.0, "Y");  // the replaced entry is gone from the index too
    EXPECT_EQ(copy.Count(), 2u);
    EXPECT_EQ(original.Count(), 1u);

    const PlantingList& self = copy;
    copy = self;
    EXPECT_EQ(copy.Count(), 2u);
    copy.Add(10.0, 10.0, "Z");
    EXPECT_EQ(copy.Count(), 2u);
}

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
    RunBoth(positions);
}

TEST(PlantingList, AgreesWithLinearScanOnRandomClusters) {
    std::mt19937_64 random(2026);
    for (int round = 0; round < 20; ++round) {
        // Dense clusters around a few centres, at scales around the threshold, so that many pairs are
        // near, many lie just beyond, and clusters straddle cell borders.
        std::uniform_real_distribution<double> centre(-180.0, 180.0);
        const double scale = std::ldexp(1.0, -14 - round % 6);
        std::uniform_real_distribution<double> spread(-scale, scale);
        std::uniform_int_distribution<int> pick(0, 3);
        const double centres[4][2] = {{centre(random), centre(random)},
                                      {centre(random), centre(random)},
                                      {0.0, 0.0},
                                      {std::ldexp(1.0, 46), -std::ldexp(1.0, 46)}};
        std::vector<Position> positions;
        for (int i = 0; i < 3000; ++i) {
            const int c = pick(random);
            double latitude = centres[c][0] + spread(random);
            double longitude = centres[c][1] + spread(random);
            if (i % 5 == 0) {  // snap to the threshold grid so exact-threshold distances occur
                latitude = centres[c][0] + std::round((latitude - centres[c][0]) / 5e-06) * 5e-06;
                longitude = centres[c][1] + std::round((longitude - centres[c][1]) / 5e-06) * 5e-06;
            }
            positions.push_back({latitude, longitude});
        }
        RunBoth(positions);
    }
}

TEST(PlantingList, AddingParsedObjectsKeepsTheRuleAndTheOrder) {
    PlantingList list;
    list.Add(47.5, 8.25, "planted before");
    std::vector<ParsedPlantingObject> objects = {
        {47.500001, 8.250001, "near the planted one"}, {10.0, 20.0, "A"}, {10.000004, 20.000004, "near A"},
        {10.0, 20.00001, "B"}};
    for (int i = 0; i < 100; ++i) {  // enough objects for the look-ahead to matter
        objects.push_back({i * 0.001, -i * 0.001, "C" + std::to_string(i)});
    }
    AddPlantingObjects(list, objects);
    ASSERT_EQ(list.Count(), 103u);
    EXPECT_EQ(list.GuidAt(0), "planted before");
    EXPECT_EQ(list.GuidAt(1), "A");
    EXPECT_EQ(list.GuidAt(2), "B");
    EXPECT_EQ(list.GuidAt(102), "C99");
}
