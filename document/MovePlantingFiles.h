#pragma once

#include <filesystem>
#include <string>

#include "document/DocumentOutcomes.h"

// The last step of a save: the XML file and the .bgl file that this save produced in the program's
// folder are moved into the planting file's folder. A file in that folder is replaced only by one that
// this save produced, in one step (a rename over it; across file systems a complete copy renamed over
// it), and nothing moves where the two folders are the same folder, however their paths are written.

// True where both paths name the same existing folder (or, where they do not exist, the same path).
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

// Each outcome names its file (path) and the folder as given (destination).
MoveOutcomes MovePlantingFiles(const std::filesystem::path& programFolder, const std::string& folder,
                               const std::string& xmlFileName, bool xmlProduced, const std::string& bglName,
                               bool bglProduced);

// The outcome of a file that this save did not produce: nothing was touched.
MoveOutcome NothingMoved(const std::string& name, const std::string& folder);
