#pragma once

#include <vector>

#include "forest/FillRegion.h"
#include "forest/ForestRandom.h"
#include "forest/PlanePoint.h"

// Poisson-disk sampling (Bridson, 2007): points spread at random over the area's polygon minus its
// exclusions, no two closer than `spacing` metres, until no more fit near those already there.
// Candidates are drawn around a random active point at one to 1.05 spacings, in one of 256 directions
// from a table the compiler works out (no run-time trigonometry, so the points depend on the seed and
// the inputs alone). The fill works through the region in bands from south to north; a scan of each
// band's cells afterwards starts a new fill in every part the growth did not reach (parts cut off by
// exclusions, narrow necks). The points come in the grid's row order.
namespace PoissonDiskSampling {

// How hard a fill tries: the candidates tried around an active point before it is retired, and the
// points per square metre it reaches over a large area times the spacing squared (measured, and
// rounded down). Few attempts at close range fill more densely and faster than Bridson's thirty over
// the ring out to twice the spacing. A maximal random fill reaches 0.6965, which sets the densest fill
// asked of the sampler: only the dense effort reaches it with room to spare; the quick one takes two
// fifths less time where the spacing leaves room.
struct Effort {
    int attemptsPerPoint;
    double fillFactor;

    friend bool operator==(const Effort&, const Effort&) = default;
};
inline constexpr Effort quickFill{3, 0.71};
inline constexpr Effort denseFill{5, 0.74};

struct Fill {
    std::vector<PlanePoint> points;
    // The region's area in square metres.
    double regionArea = 0.0;
};

Fill Sample(const std::vector<PlanePoint>& area, const std::vector<PlaneExclusion>& exclusions,
            double spacing, Effort effort, ForestRandom& random);

}  // namespace PoissonDiskSampling
