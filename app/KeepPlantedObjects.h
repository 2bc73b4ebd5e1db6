#pragma once

#include <cstddef>
#include <vector>

#include "document/PlantingList.h"

// Rebuilds the list from the entries at the kept positions, in the order given, without the nearness
// test, so that no kept entry is lost.
void KeepPlantedObjects(PlantingList& list, const std::vector<std::size_t>& keptIndices);
