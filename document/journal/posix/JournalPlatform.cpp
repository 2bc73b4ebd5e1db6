#include "document/journal/JournalPlatform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace JournalPlatform {

std::filesystem::path DefaultFolder(std::error_code& error) {
    error.clear();
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && std::filesystem::path(stateHome).is_absolute()) {
        return std::filesystem::path(stateHome) / "grovewright" / "journal";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || !std::filesystem::path(home).is_absolute()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return {};
    }
    return std::filesystem::path(home) / ".local" / "state" / "grovewright" / "journal";
}

std::error_code CreatePrivateFolder(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const std::filesystem::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return {errno, std::generic_category()};
        }
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return {errno, std::generic_category()};
    }
    if (!S_ISDIR(status.st_mode)) {
        return std::make_error_code(std::errc::not_a_directory);
    }
    if ((status.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

}  // namespace JournalPlatform
