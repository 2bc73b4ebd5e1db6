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

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

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
    const double bases[] = {0.0,
                            -0.0,
                            47.5,
                            -122.25,
                            cell,
                            -cell,
                            3 * cell,
                            cell / 2,
                            1e-300,
                            4.9e-324,
                            180.0,
                            -90.0,
                            1e10,
                            0x1p46,
                            -0x1p46,
                            0x1p46 - 0.5,
                            0x1p50,
                            1e300,
                            -1.7976931348623157e308,
                            inf,
                            -inf,
                            std::nan("")};
    std::vector<double> values;
    for (double base : bases) {
        values.push_back(base);
        for (double delta :
             {5e-06, -5e-06, 4.999999e-06, 5.000001e-06, 2.5e-06, 1e-5, cell - 5e-06, 5e-06 - cell}) {
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

namespace {

struct Entry {
    double latitude, longitude;
    std::string guid;
};

void ExpectEntries(const PlantingList& list, const std::vector<Entry>& expected, const std::string& step) {
    ASSERT_EQ(list.Count(), expected.size()) << step;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(SameBits(list.LatitudeAt(i), expected[i].latitude) &&
                    SameBits(list.LongitudeAt(i), expected[i].longitude) &&
                    list.GuidViewAt(i) == expected[i].guid)
            << step << ": entry " << i;
    }
}

}  // namespace

// Entries taken off the end, taken out of the middle and put back, against a plain vector with the
// linear-scan rule: after every step the columns match, and every Add answers as the scan does, also
// at the spot of an entry just removed and beside one still there, so that the index forgot exactly
// what was removed and learnt what was put back. Most positions have a cell of their own, so that
// removals free cells and move the index's slots, and the index grows several times.
TEST(PlantingList, RemovingAndPuttingBackKeepsTheIndexExact) {
    std::mt19937_64 random(23);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const double odd[] = {std::nan(""), std::numeric_limits<double>::infinity(), 0x1p46, -0x1p50};
    const double nudges[] = {0.0, 4e-06, -4e-06, 6e-06};
    PlantingList list;
    std::vector<Entry> model;
    std::vector<Entry> removed;  // recently, in any way
    const auto remember = [&removed](std::vector<Entry>::const_iterator first,
                                     std::vector<Entry>::const_iterator last) {
        removed.insert(removed.end(), first, last);
        if (removed.size() > 1000) {
            removed.erase(removed.begin(), removed.begin() + 500);
        }
    };
    const auto add = [&](int step) {
        Entry entry{47.0 + static_cast<double>(pick(3000)) * 3e-06,
                    8.0 + static_cast<double>(pick(3000)) * 3e-06, "G" + std::to_string(step)};
        const std::size_t kind = pick(10);
        const std::vector<Entry>& from = kind < 2 ? removed : model;
        if (kind < 4 && !from.empty()) {
            const Entry& e = from[pick(from.size())];
            entry.latitude = e.latitude + nudges[pick(4)];
            entry.longitude = e.longitude + nudges[pick(4)];
        } else if (kind == 4) {
            entry.latitude = odd[pick(4)];
        }
        const bool near = std::any_of(model.begin(), model.end(), [&](const Entry& e) {
            return std::fabs(e.latitude - entry.latitude) < 5e-06 &&
                   std::fabs(e.longitude - entry.longitude) < 5e-06;
        });
        list.Add(entry.latitude, entry.longitude, entry.guid);
        if (!near) {
            model.push_back(entry);
        }
    };
    for (int step = 0; step < 6000; ++step) {
        const std::string name = "step " + std::to_string(step);
        const std::size_t what = pick(100);
        if (what < 75) {
            add(step);
            ASSERT_EQ(list.Count(), model.size()) << name << ": Add";
        } else if (what < 95) {
            const std::size_t count = std::min(model.size(), pick(5));
            list.RemoveLast(count);
            remember(model.end() - static_cast<std::ptrdiff_t>(count), model.end());
            model.resize(model.size() - count);
            ExpectEntries(list, model, name + ": RemoveLast");
        } else if (what < 98) {
            std::vector<std::size_t> places;
            for (std::size_t i = 0; i < model.size(); ++i) {
                if (pick(64) == 0) {
                    places.push_back(i);
                }
            }
            const std::vector<Entry> before = model;
            const PlantingList taken = list.Extract(places);
            std::vector<Entry> takenFromModel;
            for (std::size_t k = places.size(); k-- > 0;) {
                takenFromModel.insert(takenFromModel.begin(), model[places[k]]);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(places[k]));
            }
            ExpectEntries(list, model, name + ": Extract");
            ExpectEntries(taken, takenFromModel, name + ": the entries extracted");
            if (pick(2) == 0) {
                list.InsertAt(taken, places);
                model = before;
                ExpectEntries(list, model, name + ": InsertAt");
            } else {
                remember(takenFromModel.begin(), takenFromModel.end());
            }
        } else {
            const std::size_t first = pick(model.size() + 1);
            const PlantingList tail = list.Tail(first);
            list.RemoveLast(model.size() - first);
            list.AppendList(tail);
            ExpectEntries(list, model, name + ": RemoveLast and AppendList of its Tail");
        }
    }
    EXPECT_GT(model.size(), 300u);  // enough for the index to have grown
}

// Taking back the entries added last, one, many or nearly all at a time (each a way of its own for
// the index): each entry left is still found (an Add at its position is left out) and the spot of
// each taken back takes an Add again. The index is made to grow between the adds (Reserve), which lays
// out its table anew in another order than the adds came in: the case where taking back an entry must
// move others of its table so that they are still found.
TEST(PlantingList, TakingBackAddsFindsEveryEntryLeft) {
    struct Case {
        std::size_t entries, reservedAfter, takenBackAtOnce;
    } cases[] = {{40, 31, 1}, {40, 31, 20}, {600, 300, 590}};
    std::mt19937_64 random(31);
    std::uniform_real_distribution<double> latitude(47.0, 48.0), longitude(8.0, 9.0);
    for (const Case& c : cases) {
        for (int trial = 0; trial < 100; ++trial) {
            SCOPED_TRACE("taken back " + std::to_string(c.takenBackAtOnce) + " at once, trial " +
                         std::to_string(trial));
            PlantingList list;
            std::vector<Entry> added;
            while (list.Count() < c.entries) {
                if (list.Count() == c.reservedAfter) {
                    list.Reserve(c.reservedAfter * 2);
                }
                added.push_back({latitude(random), longitude(random), "G"});
                list.Add(added.back().latitude, added.back().longitude, "G");
                added.resize(list.Count());
            }
            while (!added.empty()) {
                const std::size_t left = added.size() - std::min(added.size(), c.takenBackAtOnce);
                list.RemoveLast(added.size() - left);
                for (std::size_t i = 0; i < left; ++i) {
                    list.Add(added[i].latitude, added[i].longitude, "again");
                    ASSERT_EQ(list.Count(), left) << "entry " << i << " lost at " << left;
                }
                for (std::size_t i = left; i < added.size(); ++i) {
                    list.Add(added[i].latitude, added[i].longitude, "again");
                    ASSERT_EQ(list.Count(), left + 1) << "the spot of entry " << i << " is still taken";
                    list.RemoveLast(1);
                }
                added.resize(left);
            }
        }
    }
}
