#pragma once

#include <cstdint>
#include <vector>

#include "forest/ForestCheck.h"
#include "forest/GeoPosition.h"
#include "forest/TreeMix.h"
#include "forest/TreePoints.h"

// A hedgerow or an avenue: trees every `spacingMetres` along a line of corners, in one or more
// parallel rows. The rows lie `offsetMetres` to the right of the line (looking from its first corner
// to the next; negative to the left), `rowGapMetres` apart and centred on that offset. Each tree is
// moved at random by up to `jitterMetres` along its row and as far across it.
struct LineSettings {
    double spacingMetres = 5.0;
    double jitterMetres = 0.0;
    double offsetMetres = 0.0;
    int rows = 1;  // 1 to maxRows
    double rowGapMetres = 3.0;
    std::uint64_t seed = 1;
};

struct LinePlanting {
    ForestCheck check;
    TreePoints trees;  // row by row, each from the line's first corner on
};

inline constexpr int maxLineRows = 100;

// Plants the line. Rows follow the line's bends with mitred corners (bevelled where a bend is so
// sharp that the mitre would reach beyond four offsets), and each row is spaced along its own length.
LinePlanting PlantLine(const std::vector<GeoPosition>& corners, const LineSettings& settings,
                       const TreeMix& mix);
