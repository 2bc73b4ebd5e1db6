#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// How reading a planting file ended.
enum class PlantingFileStatus {
    Read,        // the text holds the whole file
    NotFound,    // nothing exists under the path
    CannotOpen,  // something is there but cannot be opened for reading as a file (a folder, no access)
    ReadError,   // the file opened but reading it failed part way
    TooLarge,    // the file's text does not fit in memory
};

// A planting file's text: the file's bytes exactly as stored (no line-end translation), empty for
// an empty file and whenever the status is not Read.
struct PlantingFileText {
    PlantingFileStatus status = PlantingFileStatus::NotFound;
    std::string text;
    std::error_code error;  // the system's reason where reading failed on one
};

// Reads the whole file at path into memory. Never throws; every failure is a status.
PlantingFileText ReadPlantingFile(const std::filesystem::path& path);
