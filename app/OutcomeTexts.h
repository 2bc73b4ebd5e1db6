#pragma once

#include <QString>
#include <cstddef>

#include "document/DocumentOutcomes.h"

// What a Plant press did, for the status line: where it planted, or why nothing was added.
QString PlantOutcomeText(const PlantOutcome& outcome);

// The status line's count of the objects the next save writes.
QString PlantedCountText(std::size_t count);
