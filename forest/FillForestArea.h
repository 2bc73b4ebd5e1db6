#pragma once

#include <cstdint>

#include "forest/ForestAreaShape.h"
#include "forest/ForestCheck.h"
#include "forest/TreeMix.h"
#include "forest/TreePoints.h"

// What the Forest panel sets for an area: the least distance between two trees, how many trees a
// hectare holds, and the seed that makes the fill repeatable.
struct FillSettings {
    double spacingMetres = 3.0;
    double treesPerHectare = 400.0;
    std::uint64_t seed = 1;
};

struct ForestFill {
    ForestCheck check;
    TreePoints trees;           // empty unless the check is Ok
    double fillHectares = 0.0;  // the area minus its exclusions and buffers
};

namespace ForestFilling {

// A maximal random fill holds about this many trees per hectare at a spacing of one metre.
inline constexpr double densestFillPerHectare = 6965.0;
inline constexpr double maxTrees = 1000000.0;

// The most trees per hectare that a spacing allows.
double MaxTreesPerHectare(double spacingMetres);

// Whether the settings suit the shape: a sound spacing and density within the spacing's limit,
// and no more trees than one fill may hold (counted over the whole polygon).
ForestCheck CheckSettings(const ForestAreaShape& shape, const FillSettings& settings);

// Fills the shape with trees from the mix: Poisson-disk sampled, no two closer than the spacing,
// then thinned at random to the density over the area left free. Equal inputs give equal trees.
// The points come row by row from south to north of the local plane.
ForestFill Fill(const ForestAreaShape& shape, const FillSettings& settings, const TreeMix& mix);

}  // namespace ForestFilling
