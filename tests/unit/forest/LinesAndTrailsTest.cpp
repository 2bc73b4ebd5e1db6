#include <gtest/gtest.h>

#include <cmath>

#include <GeographicLib/Geodesic.hpp>

#include "forest/PlaneGeometry.h"
#include "forest/PlantLine.h"
#include "forest/TrailPlanter.h"
#include "tests/unit/forest/ForestTestSupport.h"

namespace {

const GeoPosition origin{47.5, 8.25};

// The trees in the plane of the line's own corners.
std::vector<PlanePoint> InPlane(const std::vector<TreePoint>& trees) {
    const LocalPlane plane(origin);
    std::vector<PlanePoint> points;
    for (const TreePoint& t : trees) {
        points.push_back(plane.Forward({t.latitude, t.longitude}));
    }
    return points;
}

GeoPosition Along(double azimuth, double metres) {
    GeoPosition p;
    GeographicLib::Geodesic::WGS84().Direct(origin.latitude, origin.longitude, azimuth, metres, p.latitude,
                                            p.longitude);
    return p;
}

}  // namespace

// Rows follow the line at their offsets with the spacing along each row, around a right-angled bend
// too; jitter stays within its bounds.
TEST(PlantLine, RowsKeepTheirOffsetAndSpacing) {
    const TreeMix mix = OneModelMix();
    // East 100 m, then north 100 m.
    const auto corners = CornersAround(origin, {{0, 0}, {100, 0}, {100, 100}});
    const struct {
        LineSettings settings;
        std::size_t trees;
    } cases[] = {
        {{10.0, 0.0, 0.0, 1, 3.0, 1}, 21},
        {{10.0, 0.0, -4.0, 1, 3.0, 1}, 20},  // 4 m left: the inner side of the bend, 192 m long
        {{10.0, 0.0, 4.0, 1, 3.0, 1}, 21},   // 4 m right: the outer side, 208 m long
        {{10.0, 0.0, 0.0, 2, 6.0, 1}, 41},   // rows 3 m left (194 m) and right (206 m)
        {{10.0, 2.0, 0.0, 1, 3.0, 1}, 21},
    };
    for (const auto& c : cases) {
        const LineSettings& s = c.settings;
        const LinePlanting planting = PlantLine(corners, s, mix);
        ASSERT_TRUE(planting.check.Ok());
        const std::vector<PlanePoint> points = InPlane(planting.trees.points);
        ASSERT_EQ(points.size(), c.trees) << s.offsetMetres << " " << s.rows;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const PlanePoint p = points[i];
            // Distance from the nearer leg: right of the first leg is south, right of the second is east.
            const bool firstLeg = PlaneGeometry::SquaredDistanceToSegment(p, {0, 0}, {100, 0}) <=
                                  PlaneGeometry::SquaredDistanceToSegment(p, {100, 0}, {100, 100});
            const double side = firstLeg ? -p.y : p.x - 100.0;
            const double expectedSide = s.rows == 2 ? (i < 20 ? -3.0 : 3.0) : s.offsetMetres;
            EXPECT_NEAR(side, expectedSide, s.jitterMetres + 1e-6) << i;
            if (i > 0 && s.jitterMetres == 0.0 && s.rows == 1) {
                const double step = std::hypot(p.x - points[i - 1].x, p.y - points[i - 1].y);
                // Stations are 10 m apart along the row; across the bend the chord is shorter.
                EXPECT_LE(step, 10.0 + 1e-6) << i;
                EXPECT_GE(step, 10.0 / std::sqrt(2.0) - 1e-6) << i;
            }
        }
    }
}

TEST(PlantLine, BadLinesAreRefused) {
    const TreeMix mix = OneModelMix();
    const auto corners = CornersAround(origin, {{0, 0}, {100, 0}});
    EXPECT_EQ(PlantLine({origin}, {}, mix).check.problem, ForestProblem::TooFewCorners);
    EXPECT_EQ(PlantLine(corners, {0.0, 0.0, 0.0, 1, 3.0, 1}, mix).check.problem,
              ForestProblem::SpacingInvalid);
    EXPECT_EQ(PlantLine(corners, {5.0, 0.0, 0.0, 0, 3.0, 1}, mix).check.problem,
              ForestProblem::LayoutInvalid);
    EXPECT_EQ(PlantLine(corners, {5.0, -1.0, 0.0, 1, 3.0, 1}, mix).check.problem,
              ForestProblem::LayoutInvalid);
    EXPECT_EQ(PlantLine(corners, {1e-4, 0.0, 0.0, 1, 3.0, 1}, mix).check.problem,
              ForestProblem::TooManyTrees);
    EXPECT_EQ(PlantLine(corners, {}, TreeMix()).check.problem, ForestProblem::MixEmpty);
}

// Fed positions a few metres apart along a straight path, the trail plants where it starts and then
// every spacing (within the jitter along and across); a jump starts the trail afresh.
TEST(TrailPlanter, PlantsEverySpacingAlongThePath) {
    const struct {
        double spacing, jitter, step;
    } cases[] = {{25.0, 0.0, 3.7}, {25.0, 5.0, 3.7}, {10.0, 0.0, 40.0}};
    for (const auto& c : cases) {
        TrailPlanter trail;
        ASSERT_TRUE(trail.Start({c.spacing, c.jitter, 2000.0, 9}, OneModelMix()).Ok());
        std::vector<TreePoint> trees;
        double last = 0.0;
        for (double travelled = 0.0; travelled <= 1000.0; travelled += c.step) {
            for (const TreePoint& t : trail.Feed(Along(90.0, travelled))) {
                trees.push_back(t);
            }
            last = travelled;
        }
        const std::vector<PlanePoint> points = InPlane(trees);
        const double expected = std::floor(last / c.spacing) + 1;
        EXPECT_NEAR(static_cast<double>(points.size()), expected, c.jitter > 0 ? 2.0 : 0.0) << c.spacing;
        EXPECT_NEAR(points.front().x, 0.0, c.jitter + 1e-6);
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].y, 0.0, c.jitter + 0.01) << i;  // across the path
            if (i > 0) {
                EXPECT_NEAR(points[i].x - points[i - 1].x, c.spacing, 2.0 * c.jitter + 0.01) << i;
            }
        }
    }
}

TEST(TrailPlanter, JumpsAndStopsPlantNothingBetween) {
    TrailPlanter trail;
    EXPECT_TRUE(trail.Feed(origin).empty()) << "not started";
    EXPECT_EQ(trail.Start({0.1, 0.0, 2000.0, 1}, OneModelMix()).problem, ForestProblem::SpacingInvalid);
    EXPECT_EQ(trail.Start({10.0, 6.0, 2000.0, 1}, OneModelMix()).problem, ForestProblem::LayoutInvalid);
    ASSERT_TRUE(trail.Start({10.0, 0.0, 500.0, 1}, OneModelMix()).Ok());
    EXPECT_EQ(trail.Feed(origin).size(), 1u);
    EXPECT_EQ(trail.Feed(Along(0.0, 35.0)).size(), 3u);
    EXPECT_EQ(trail.Feed(Along(0.0, 5000.0)).size(), 1u) << "a jump plants where it lands only";
    EXPECT_TRUE(trail.Feed({95.0, 0.0}).empty());
    trail.Stop();
    EXPECT_TRUE(trail.Feed(Along(0.0, 5100.0)).empty());
}
