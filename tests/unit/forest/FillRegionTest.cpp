#include "forest/FillRegion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "forest/PlaneGeometry.h"

namespace {

struct Shapes {
    std::vector<PlanePoint> area;
    std::vector<PlaneExclusion> exclusions;
};

// Exclusions that overlap each other and reach out of the area, with and without buffers, over a
// concave area; and an area and an exclusion whose corners lie on row borders.
std::vector<Shapes> TestShapes() {
    return {
        {{{0, 0}, {100, 0}, {100, 60}, {50, 30}, {0, 60}},
         {{{{20, 10}, {40, 10}, {40, 25}, {20, 25}}, 3.0},
          {{{35, 5}, {55, 5}, {45, 20}}, 0.0},
          {{{90, -10}, {110, -10}, {110, 70}, {90, 70}}, 2.5},
          {{{70, 40}, {71, 41}, {70, 42}}, 6.0}}},
        {{{0, 0}, {30, 0}, {30, 30}, {0, 30}}, {{{{6, 6}, {12, 6}, {12, 12}, {6, 12}}, 0.0}}},
    };
}

// What the region's parts say of p without rows: in the area, outside every exclusion and further than
// its buffer from its edges. `undecided` where p lies within a rounding error of a border.
struct Truth {
    bool inside;
    bool undecided;
};

Truth ByTheShapes(const Shapes& shapes, PlanePoint p) {
    constexpr double near = 1e-6;
    bool undecided = false;
    const auto edgeDistance = [&](const std::vector<PlanePoint>& corners) {
        double least = INFINITY;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            least = std::min(least, std::sqrt(PlaneGeometry::SquaredDistanceToSegment(
                                        p, corners[i], corners[(i + 1) % corners.size()])));
        }
        return least;
    };
    undecided |= edgeDistance(shapes.area) < near;
    bool inside = PlaneGeometry::Contains(shapes.area, p);
    for (const PlaneExclusion& exclusion : shapes.exclusions) {
        const double distance = edgeDistance(exclusion.corners);
        undecided |= distance < near || std::fabs(distance - exclusion.buffer) < near;
        inside = inside && !PlaneGeometry::Contains(exclusion.corners, p) && distance > exclusion.buffer;
    }
    return {inside, undecided};
}

}  // namespace

// Points at random over and around each region, and on its corners' rows: the rows' settled stretches
// and edge tests together give the answer of the polygons themselves, at several row heights.
TEST(FillRegion, ContainsAgreesWithThePolygonsAndBuffers) {
    std::mt19937 random(3);
    for (const Shapes& shapes : TestShapes()) {
        for (const double rowHeight : {0.7, 3.0, 25.0}) {
            const FillRegion region(shapes.area, shapes.exclusions, rowHeight);
            std::uniform_real_distribution<double> x(-15.0, 115.0), y(-15.0, 75.0);
            for (int i = 0; i < 20000; ++i) {
                // Every third point on a row border, where rounding picks the row.
                const double py = i % 3 == 0 ? std::round(y(random) / rowHeight) * rowHeight : y(random);
                const PlanePoint p{x(random), py};
                const Truth truth = ByTheShapes(shapes, p);
                if (!truth.undecided) {
                    ASSERT_EQ(region.Contains(p), truth.inside)
                        << rowHeight << " m rows at " << p.x << ", " << p.y;
                }
            }
        }
    }
}

// The region's area against a count of points on a fine lattice, with exclusions and buffers that
// overlap and reach beyond the area.
TEST(FillRegion, AreaLeavesOutExclusionsAndBuffersOnce) {
    for (const Shapes& shapes : TestShapes()) {
        // Over the areas' boxes; a lattice point never lies on an edge along the axes.
        constexpr double step = 0.2;
        double counted = 0.0;
        for (double x = step / 2; x < 100.0; x += step) {
            for (double y = step / 2; y < 60.0; y += step) {
                counted += ByTheShapes(shapes, {x, y}).inside ? step * step : 0.0;
            }
        }
        for (const double rowHeight : {0.7, 3.0, 25.0}) {
            EXPECT_NEAR(FillRegion(shapes.area, shapes.exclusions, rowHeight).Area(), counted,
                        0.004 * counted)
                << rowHeight << " m rows";
        }
    }
}
