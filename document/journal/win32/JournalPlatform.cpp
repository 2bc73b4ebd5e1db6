#include "document/journal/JournalPlatform.h"

#include <windows.h>

#include <cstdlib>

namespace JournalPlatform {

std::filesystem::path DefaultFolder(std::error_code& error) {
    error.clear();
    const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
    if (localAppData == nullptr || !std::filesystem::path(localAppData).is_absolute()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return {};
    }
    return std::filesystem::path(localAppData) / L"Grovewright" / L"journal";
}

std::error_code CreatePrivateFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error)) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    return error;
}

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(GetCurrentProcessId());
}

}  // namespace JournalPlatform
