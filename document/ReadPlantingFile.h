#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "document/DocumentOutcomes.h"

// A planting file's text: the file's bytes exactly as stored (no line-end translation), empty for
// an empty file and whenever the status is not Read. The status is Read, NotFound, CannotOpen (a
// folder, no access), ReadError or TooLarge; MarkerMissing is the parser's to tell.
struct PlantingFileText {
    ReadStatus status = ReadStatus::NotFound;
    std::string text;
    std::error_code error;  // the system's reason where reading failed on one
};

// Reads the whole file at path into memory. Never throws; every failure is a status.
PlantingFileText ReadPlantingFile(const std::filesystem::path& path);
