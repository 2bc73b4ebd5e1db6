#pragma once

#include <cstddef>

#include "document/PlantingList.h"
#include "forest/TreePoints.h"

// Adds a fill's trees to a planting list in their order, each through the list's Add (a tree near an
// entry already there is left out), with room made for all of them first and the list's index read a
// few trees ahead, so that a million trees go in without regrowing the list. Returns how many trees
// were left out.
std::size_t AddTreePoints(PlantingList& list, const TreePoints& trees);
