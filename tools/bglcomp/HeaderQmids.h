#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/bglcomp/BglPacking.h"

namespace Bglcomp {

// The header's eight QMID slots (unused ones 0): a few cells of level 9 or coarser that together
// cover every subsection cell, so that a reader can skip files far from where it looks.
// The subsection QMIDs are reduced to level 9; if more than eight cells remain, the cover is
// grown from the level-0 cell downward, coarsest cells first, replacing a cell by its occupied
// children whenever the total stays within eight.
std::array<std::uint32_t, headerQmidCount> HeaderQmids(const std::vector<std::uint32_t>& subsectionQmids);

}  // namespace Bglcomp
