#pragma once

#include <vector>

#include "forest/FillRegion.h"
#include "forest/ForestRandom.h"
#include "forest/PlanePoint.h"

// Poisson-disk sampling (Bridson, 2007): points spread at random over the area's polygon minus its
// exclusions, no two closer than `spacing` metres, until no more fit near those already there.
// Candidates are drawn around a random active point at one to 1.05 spacings, in one of 256 directions
// from a table the compiler works out (no run-time trigonometry, so the points depend on the seed and
// the inputs alone). A scan of the background grid afterwards starts a new fill in every part the first
// did not reach (parts cut off by exclusions, narrow necks). The points come in the grid's row order.
namespace PoissonDiskSampling {

// Candidates tried around an active point before it is retired. Few attempts at close range fill
// more densely and faster than Bridson's thirty over the ring out to twice the spacing.
inline constexpr int attemptsPerPoint = 5;

// Points per square metre a fill reaches over a large area, times the spacing squared (measured:
// 0.737; a maximal random fill reaches 0.6965, which sets the densest fill asked of the sampler).
inline constexpr double fillFactor = 0.73;

struct Fill {
    std::vector<PlanePoint> points;
    // The region's area in square metres.
    double regionArea = 0.0;
};

Fill Sample(const std::vector<PlanePoint>& area, const std::vector<PlaneExclusion>& exclusions,
            double spacing, ForestRandom& random);

}  // namespace PoissonDiskSampling
