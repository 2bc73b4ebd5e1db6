#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

// A folder for journals beside the benchmark program, on the disk the build lives on: the temporary
// folder may be in memory, where a sync costs nothing and would flatter the journal. Removed at exit.
inline const std::filesystem::path& BenchFolder() {
    static const struct Folder {
        std::filesystem::path path;
        Folder() {
            path = std::filesystem::read_symlink("/proc/self/exe").parent_path() /
                   ("journal-bench-" + std::to_string(getpid()));
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return folder.path;
}
