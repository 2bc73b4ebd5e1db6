#pragma once

#include <vector>

#include "document/ParsePlantingText.h"
#include "document/PlantingList.h"

// Adds the objects read from a planting file to a list in file order, each through the list's Add
// (so objects near an entry already there, or near an earlier object of the file, are left out).
void AddPlantingObjects(PlantingList& list, const std::vector<ParsedPlantingObject>& objects);
