#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "forest/FillForestArea.h"
#include "forest/ForestMessages.h"
#include "tests/unit/forest/ForestTestSupport.h"

namespace {

const GeoPosition cornerOrigin{47.5, 8.25};
const double notANumber = std::numeric_limits<double>::quiet_NaN();

std::vector<GeoPosition> Shape(const std::vector<PlanePoint>& metres) {
    return CornersAround(cornerOrigin, metres);
}

const std::vector<PlanePoint> square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};

struct ShapeCase {
    const char* name;
    std::vector<GeoPosition> corners;
    std::vector<ForestExclusion> exclusions;
    ForestProblem problem;
    int shape;
    std::size_t first, second;
    const char* message;  // a part of the message that names the problem
};

}  // namespace

// Each bad shape is refused with the problem, the shape and the corners or edges named, and a shape
// refused after a sound one leaves the sound one in place.
TEST(ForestRefusals, BadShapesAreNamed) {
    // One case a row.
    // clang-format off
    const std::vector<ShapeCase> cases{
        {"two corners", Shape({{0, 0}, {10, 0}}), {}, ForestProblem::TooFewCorners, -1, 0, 0, "has 2 corners; it needs at least 3"},
        {"latitude beyond the pole", {{91, 0}, {0, 1}, {1, 1}}, {}, ForestProblem::CornerNotOnEarth, -1, 0, 0, "corner 1 is not"},
        {"not a number", {{0, 0}, {0, 1}, {notANumber, 1}}, {}, ForestProblem::CornerNotOnEarth, -1, 2, 0, "corner 3 is not"},
        {"corner pressed twice", Shape({{0, 0}, {100, 0}, {100, 0.001}, {0, 100}}), {}, ForestProblem::RepeatedCorner, -1, 1, 0, "corners 2 and 3 are the same place"},
        {"bow tie", Shape({{0, 0}, {100, 100}, {100, 0}, {0, 100}}), {}, ForestProblem::EdgesCross, -1, 0, 2, "edges 1 and 3 cross"},
        {"folds back on itself", Shape({{0, 0}, {100, 0}, {50, 0}, {50, 50}}), {}, ForestProblem::EdgesCross, -1, 0, 1, "edges 1 and 2 cross"},
        {"corner on another edge", Shape({{0, 0}, {100, 0}, {100, 100}, {50, 0}}), {}, ForestProblem::EdgesCross, -1, 0, 2, "edges 1 and 3 cross"},
        {"over 1000 km2", Shape({{0, 0}, {32000, 0}, {32000, 32000}, {0, 32000}}), {}, ForestProblem::AreaTooLarge, -1, 0, 0, "km2; at most 1000 km2"},
        {"half the globe", {{0, 0}, {0, 170}, {1, 170}}, {}, ForestProblem::SpanTooLarge, -1, 0, 0, "km from the area's centre"},
        {"exclusion crossing itself", Shape(square), {{Shape(square), 1}, {Shape({{0, 0}, {9, 9}, {9, 0}, {0, 9}}), 2}}, ForestProblem::EdgesCross, 1, 0, 2, "Exclusion 2's edges 1 and 3 cross"},
        {"negative buffer", Shape(square), {{Shape(square), -1}}, ForestProblem::BufferInvalid, 0, 0, 0, "Exclusion 1's buffer"},
    };
    // clang-format on
    for (const ShapeCase& c : cases) {
        ForestAreaShape shape;
        ASSERT_TRUE(shape.Build(Shape(square), {}).Ok());
        const ForestCheck check = shape.Build(c.corners, c.exclusions);
        EXPECT_EQ(check.problem, c.problem) << c.name;
        EXPECT_EQ(check.shape, c.shape) << c.name;
        EXPECT_EQ(check.first, c.first) << c.name;
        EXPECT_EQ(check.second, c.second) << c.name;
        EXPECT_NE(DescribeForestCheck(check).find(c.message), std::string::npos)
            << c.name << ": " << DescribeForestCheck(check);
        EXPECT_NEAR(shape.Hectares(), 1.0, 1e-3) << c.name;
    }
}

// Settings are refused with the limit named: the density limit itself is accepted, anything above it
// refused; a fill over a million trees is refused before any sampling.
TEST(ForestRefusals, SettingsBeyondTheLimitsAreNamed) {
    ForestAreaShape shape;
    ASSERT_TRUE(shape.Build(Shape(square), {}).Ok());
    ForestAreaShape large;
    ASSERT_TRUE(large.Build(Shape({{0, 0}, {10000, 0}, {10000, 10000}, {0, 10000}}), {}).Ok());
    const double limitAt3 = 6965.0 / 9.0;
    const struct {
        const ForestAreaShape& shape;
        FillSettings settings;
        ForestProblem problem;
        const char* message;
    } cases[] = {
        {shape, {3.0, limitAt3, 1}, ForestProblem::None, ""},
        {shape,
         {3.0, std::nextafter(limitAt3, 1e9), 1},
         ForestProblem::DensityTooHigh,
         "at most 773.89 trees per hectare"},
        {shape, {0.0, 10.0, 1}, ForestProblem::SpacingInvalid, "spacing"},
        {shape, {notANumber, 10.0, 1}, ForestProblem::SpacingInvalid, "spacing"},
        {shape, {3.0, -1.0, 1}, ForestProblem::DensityInvalid, "density"},
        {large, {3.0, 100.1, 1}, ForestProblem::TooManyTrees, "trees; at most 1000000 trees"},
        {large, {3.0, 99.9, 1}, ForestProblem::None, ""},
    };
    for (const auto& c : cases) {
        const ForestCheck check = ForestFilling::CheckSettings(c.shape, c.settings);
        EXPECT_EQ(check.problem, c.problem)
            << c.settings.spacingMetres << " m, " << c.settings.treesPerHectare;
        EXPECT_NE(DescribeForestCheck(check).find(c.message), std::string::npos)
            << DescribeForestCheck(check);
    }
}

TEST(ForestRefusals, BadMixesAreNamed) {
    const struct {
        std::vector<MixModel> models;
        ForestProblem problem;
        std::size_t model;
    } cases[] = {
        {{}, ForestProblem::MixEmpty, 0},
        {{{0, {0}, {}, 1.0}, {5, {0}, {}, 0.0}}, ForestProblem::MixWeightInvalid, 1},
        {{{0, {0}, {}, notANumber}}, ForestProblem::MixWeightInvalid, 0},
        {{{198, {0, 1}, {}, 1.0}}, ForestProblem::MixEntryUnknown, 0},
        {{{-1, {}, "67707891DBC1CC0D5F111EE9C4CBF11", 1.0}}, ForestProblem::MixGuidInvalid, 0},
        {{{-1, {}, "67707891DBC1CC0D5F111EE9C4CBF11G", 1.0}}, ForestProblem::MixGuidInvalid, 0},
    };
    for (const auto& c : cases) {
        TreeMix mix = OneModelMix(7);
        const ForestCheck check = mix.Build(c.models);
        EXPECT_EQ(check.problem, c.problem);
        EXPECT_EQ(check.first, c.model);
        EXPECT_FALSE(DescribeForestCheck(check).empty());
        EXPECT_EQ(mix.Guids(), OneModelMix(7).Guids()) << "a refused mix changes nothing";
    }
}
