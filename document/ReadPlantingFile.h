#pragma once

#include <filesystem>
#include <string>

// How reading a planting file ended.
enum class PlantingFileStatus {
    read,        // the text holds the whole file
    notFound,    // nothing exists under the path
    cannotOpen,  // something is there but cannot be opened for reading as a file (a folder, no access)
    readError,   // the file opened but reading it failed part way
    tooLarge,    // the file's text does not fit in memory
};

// A planting file's text: the file's bytes exactly as stored (no line-end translation), empty for
// an empty file and whenever the status is not read.
struct PlantingFileText {
    PlantingFileStatus status = PlantingFileStatus::notFound;
    std::string text;
};

// Reads the whole file at path into memory. Never throws; every failure is a status.
PlantingFileText ReadPlantingFile(const std::filesystem::path& path);
