#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// The last step of a save: the XML file and the .bgl file that this save produced in the program's
// folder are moved into the planting file's folder. A file in that folder is replaced only by one that
// this save produced, in one step (a rename over it; across file systems a complete copy renamed over
// it), and nothing moves where the two folders are the same folder, however their paths are written.

struct FileMove {
    enum class Status {
        Moved,        // the file now stands in the planting file's folder
        AlreadyThere, // the planting file's folder is the program's folder
        NotProduced,  // this save did not produce the file: nothing was touched
        Failed,       // the move failed; the file stays in the program's folder
    };
    std::string name;
    Status status = Status::NotProduced;
    std::error_code error;
};

struct MoveResult {
    FileMove xml;
    FileMove bgl;
};

// True where both paths name the same existing folder (or, where they do not exist, the same path).
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

MoveResult MovePlantingFiles(const std::filesystem::path& programFolder, const std::filesystem::path& folder,
                             const std::string& xmlFileName, bool xmlProduced, const std::string& bglName,
                             bool bglProduced);
