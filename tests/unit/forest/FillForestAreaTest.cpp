#include "forest/FillForestArea.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "document/PlantingList.h"
#include "forest/AddTreePoints.h"
#include "forest/PlaneGeometry.h"
#include "tests/unit/forest/ForestTestSupport.h"
#include "trees/TreeCatalogue.h"

namespace {

const GeoPosition zurich{47.5, 8.25};

// A star-shaped polygon of `count` corners at random radii: never self-crossing, often concave.
std::vector<PlanePoint> RandomStar(std::mt19937& random, PlanePoint centre, double radius, int count) {
    std::vector<PlanePoint> corners;
    for (int i = 0; i < count; ++i) {
        const double angle = 2.0 * M_PI * (i + 0.8 * std::uniform_real_distribution<>(0, 1)(random)) / count;
        const double r = radius * std::uniform_real_distribution<>(0.3, 1.0)(random);
        corners.push_back({centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)});
    }
    return corners;
}

ForestFill FillOk(const ForestAreaShape& shape, const FillSettings& settings, const TreeMix& mix) {
    ForestFill fill = ForestFilling::Fill(shape, settings, mix);
    EXPECT_TRUE(fill.check.Ok()) << static_cast<int>(fill.check.problem);
    return fill;
}

std::uint64_t Hash(const TreePoints& trees) {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&](const void* bytes, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ static_cast<const unsigned char*>(bytes)[i]) * 1099511628211ull;
        }
    };
    for (const TreePoint& t : trees.points) {
        mix(&t.latitude, sizeof t.latitude);
        mix(&t.longitude, sizeof t.longitude);
        mix(&t.guidIndex, sizeof t.guidIndex);
    }
    return hash;
}

}  // namespace

// Random concave areas with random exclusions and buffers: every pair of trees at least the spacing
// apart on the ground, every tree inside the area and clear of every exclusion and its buffer.
TEST(FillForestArea, TreesKeepTheSpacingAndTheBorders) {
    std::mt19937 random(7);
    const TreeMix mix = OneModelMix();
    for (int round = 0; round < 6; ++round) {
        const std::vector<PlanePoint> area = RandomStar(random, {0, 0}, 90.0, 5 + round * 3);
        std::vector<ForestExclusion> exclusions;
        for (int k = 0; k < 2; ++k) {
            const PlanePoint centre{std::uniform_real_distribution<>(-50, 50)(random),
                                    std::uniform_real_distribution<>(-50, 50)(random)};
            exclusions.push_back({CornersAround(zurich, RandomStar(random, centre, 20.0, 4 + k)),
                                  std::uniform_real_distribution<>(0, 8)(random)});
        }
        ForestAreaShape shape;
        ASSERT_TRUE(shape.Build(CornersAround(zurich, area), exclusions).Ok()) << round;
        const FillSettings settings{2.0 + round,
                                    ForestFilling::MaxTreesPerHectare(2.0 + round) / (1 + round % 3),
                                    static_cast<std::uint64_t>(round)};
        const ForestFill fill = FillOk(shape, settings, mix);
        const auto& trees = fill.trees.points;
        ASSERT_GT(trees.size(), 20u) << round;
        for (std::size_t i = 0; i < trees.size(); ++i) {
            for (std::size_t j = i + 1; j < trees.size(); ++j) {
                ASSERT_GE(GroundDistance(trees[i].latitude, trees[i].longitude, trees[j].latitude,
                                         trees[j].longitude),
                          settings.spacingMetres)
                    << round << ": trees " << i << " and " << j;
            }
            const PlanePoint p = shape.Plane().Forward({trees[i].latitude, trees[i].longitude});
            ASSERT_TRUE(PlaneGeometry::Contains(shape.Area(), p)) << round << ": tree " << i;
            for (const PlaneExclusion& exclusion : shape.Exclusions()) {
                ASSERT_FALSE(PlaneGeometry::Contains(exclusion.corners, p)) << round << ": tree " << i;
                for (std::size_t e = 0; e < exclusion.corners.size(); ++e) {
                    const PlanePoint a = exclusion.corners[e],
                                     b = exclusion.corners[(e + 1) % exclusion.corners.size()];
                    ASSERT_GT(PlaneGeometry::SquaredDistanceToSegment(p, a, b),
                              exclusion.buffer * exclusion.buffer)
                        << round << ": tree " << i;
                }
            }
        }
    }
}

// A fill many bands of rows tall (the sampler works through one band at a time) at the densest the
// spacing allows: no two trees closer than the spacing across the bands' borders, and the density met.
TEST(FillForestArea, LargeFillsKeepTheSpacingAcrossBands) {
    ForestAreaShape shape;
    ASSERT_TRUE(shape
                    .Build(CornersAround(zurich, {{-200, -100}, {200, -100}, {200, 100}, {-200, 100}}),
                           {{CornersAround(zurich, {{-50, -40}, {50, -40}, {0, 60}}), 4.0}})
                    .Ok());
    const double spacing = 1.5, density = ForestFilling::MaxTreesPerHectare(spacing);
    const ForestFill fill = FillOk(shape, {spacing, density, 9}, OneModelMix());
    std::vector<PlanePoint> points;
    for (const TreePoint& t : fill.trees.points) {
        points.push_back(shape.Plane().Forward({t.latitude, t.longitude}));
    }
    // Each tree against those east of it by less than the spacing.
    std::sort(points.begin(), points.end(), [](PlanePoint a, PlanePoint b) { return a.x < b.x; });
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = i + 1; j < points.size() && points[j].x - points[i].x < spacing; ++j) {
            ASSERT_GE(std::hypot(points[j].x - points[i].x, points[j].y - points[i].y), spacing - 1e-6)
                << points[i].x << ", " << points[i].y;
        }
    }
    EXPECT_NEAR(static_cast<double>(points.size()) / fill.fillHectares, density, 0.05 * density);
}

// On large fills the trees per hectare of the free area come within 5 % of the density asked, up to
// the limit the spacing allows, and the free area is the polygon less its exclusions.
TEST(FillForestArea, DensityHoldsOverTheFreeAreaUpToTheLimit) {
    const TreeMix mix = OneModelMix();
    // A 600 m square with a 200 m square taken out: 32 ha free.
    const std::vector<PlanePoint> square{{-300, -300}, {300, -300}, {300, 300}, {-300, 300}};
    const std::vector<PlanePoint> hole{{-100, -100}, {100, -100}, {100, 100}, {-100, 100}};
    ForestAreaShape shape;
    ASSERT_TRUE(shape.Build(CornersAround(zurich, square), {{CornersAround(zurich, hole), 0.0}}).Ok());
    EXPECT_NEAR(shape.Hectares(), 36.0, 0.01);
    const struct {
        double spacing, density;
    } cases[] = {{3.0, 50.0}, {3.0, 400.0}, {3.0, ForestFilling::MaxTreesPerHectare(3.0)}, {1.0, 6965.0}};
    for (const auto& c : cases) {
        const ForestFill fill = FillOk(shape, {c.spacing, c.density, 3}, mix);
        EXPECT_NEAR(fill.fillHectares, 32.0, 0.32) << c.spacing << " m";
        EXPECT_NEAR(static_cast<double>(fill.trees.points.size()) / 32.0, c.density, 0.05 * c.density)
            << c.spacing << " m, " << c.density << " per ha";
    }
}

// The same seed and inputs give the same trees in every run and build (the hash is of a fill made
// once); another seed gives other trees.
TEST(FillForestArea, SeedDecidesTheTrees) {
    TreeMix mix;
    ASSERT_TRUE(mix.Build({{0, {0, 2}, {}, 1.0}, {98, {1}, {}, 2.0}}).Ok());
    ForestAreaShape shape;
    ASSERT_TRUE(shape.Build(CornersAround(zurich, {{0, 0}, {120, 10}, {90, 100}, {-20, 70}}), {}).Ok());
    const ForestFill first = FillOk(shape, {4.0, 300.0, 42}, mix);
    const ForestFill again = FillOk(shape, {4.0, 300.0, 42}, mix);
    const ForestFill other = FillOk(shape, {4.0, 300.0, 43}, mix);
    ASSERT_EQ(first.trees.points.size(), again.trees.points.size());
    EXPECT_EQ(Hash(first.trees), Hash(again.trees));
    EXPECT_NE(Hash(first.trees), Hash(other.trees));
    EXPECT_EQ(first.trees.points.size(), 291u);
    EXPECT_EQ(Hash(first.trees), 3697430214199141146ull);
}

// Over 10,000 trees each model and height comes within 5 % of its share of the weights.
TEST(FillForestArea, MixFollowsTheWeights) {
    TreeMix mix;
    // Model at entry 0 in two heights (weight 3, so 1.5 each), entry 98 in one (1), a typed GUID (2).
    const std::string typed = "0123456789ABCDEF0123456789ABCDEF";
    ASSERT_TRUE(mix.Build({{0, {1, 3}, {}, 3.0}, {98, {}, {}, 1.0}, {-1, {}, typed, 2.0}}).Ok());
    ForestAreaShape shape;
    ASSERT_TRUE(shape.Build(CornersAround(zurich, {{0, 0}, {500, 0}, {500, 500}, {0, 500}}), {}).Ok());
    const ForestFill fill = FillOk(shape, {3.0, 400.0, 5}, mix);
    ASSERT_GE(fill.trees.points.size(), 9900u);
    std::map<std::string, double> counts;
    for (const TreePoint& t : fill.trees.points) {
        counts[std::string(fill.trees.GuidOf(t))] += 1.0;
    }
    const TreeCatalogue catalogue;
    const std::map<std::string, double> shares{{catalogue.GuidAt(1), 1.5 / 6},
                                               {catalogue.GuidAt(3), 1.5 / 6},
                                               {catalogue.GuidAt(98), 1.0 / 6},
                                               {typed, 2.0 / 6}};
    EXPECT_EQ(counts.size(), shares.size());
    for (const auto& [guid, share] : shares) {
        EXPECT_NEAR(counts[guid] / static_cast<double>(fill.trees.points.size()), share, 0.05 * share)
            << guid;
    }
}

// Trees go into the list in their order through its nearness guard: one on an entry already there and
// one on an earlier tree of the same fill are left out and counted.
TEST(AddTreePoints, TreesNearEntriesAreLeftOutAndCounted) {
    PlantingList list;
    list.Add(47.5, 8.25, "00000000000000000000000000000000");
    TreePoints trees;
    trees.guids = {"11111111111111111111111111111111", "22222222222222222222222222222222"};
    trees.points = {{47.5, 8.25000001, 0}, {47.5001, 8.25, 1}, {47.5002, 8.25, 0}, {47.50010001, 8.25, 0}};
    EXPECT_EQ(AddTreePoints(list, trees), 2u);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.GuidAt(1), trees.guids[1]);
    EXPECT_EQ(list.LatitudeAt(2), 47.5002);
}
