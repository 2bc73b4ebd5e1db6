#include "document/SystemCalls.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace SystemCalls {

int OpenExclusive(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

long long WriteSome(int descriptor, const char* bytes, std::size_t count) {
    // _write takes an unsigned count; larger buffers go in pieces.
    const unsigned chunk = count > 0x40000000u ? 0x40000000u : static_cast<unsigned>(count);
    return _write(descriptor, bytes, chunk);
}

void StartWriteBack(int, long long, long long) {}

int FlushToDevice(int descriptor) { return _commit(descriptor); }

int CloseDescriptor(int descriptor) { return _close(descriptor); }

std::error_code RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {static_cast<int>(GetLastError()), std::system_category()};
    }
    return {};
}

std::error_code SyncFolder(const std::filesystem::path&) { return {}; }

bool CrossesFileSystems(const std::error_code& error) {
    return error.category() == std::system_category() && error.value() == ERROR_NOT_SAME_DEVICE;
}

std::FILE* OpenForReading(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"rbN"); }

FileVersion VersionOf(const std::filesystem::path& file) {
    FileVersion version;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return version;
    }
    version.exists = true;
    version.size = (static_cast<std::uintmax_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    version.modified = static_cast<long long>((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                              data.ftLastWriteTime.dwLowDateTime);
    // Creation time stands in for an identity: a file written anew under the name gets a new one.
    version.identity = (static_cast<unsigned long long>(data.ftCreationTime.dwHighDateTime) << 32) |
                       data.ftCreationTime.dwLowDateTime;
    return version;
}

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

}  // namespace SystemCalls
