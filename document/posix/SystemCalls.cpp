#include "document/SystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace SystemCalls {

int OpenExclusive(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

long long WriteSome(int descriptor, const char* bytes, std::size_t count) {
    return ::write(descriptor, bytes, count);
}

void StartWriteBack([[maybe_unused]] int descriptor, [[maybe_unused]] long long offset,
                    [[maybe_unused]] long long count) {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(descriptor, offset, count, SYNC_FILE_RANGE_WRITE);
#endif
}

int FlushToDevice(int descriptor) { return ::fsync(descriptor); }

int CloseDescriptor(int descriptor) { return ::close(descriptor); }

std::error_code RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

std::error_code SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return {errno, std::generic_category()};
    }
    std::error_code error;
    // A file system that cannot sync folders (EINVAL) keeps nothing more durable by being asked again.
    if (::fsync(descriptor) != 0 && errno != EINVAL) {
        error = {errno, std::generic_category()};
    }
    ::close(descriptor);
    return error;
}

bool CrossesFileSystems(const std::error_code& error) { return error == std::errc::cross_device_link; }

std::FILE* OpenForReading(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rbe"); }

FileVersion VersionOf(const std::filesystem::path& file) {
    FileVersion version;
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return version;
    }
    version.exists = true;
    version.size = static_cast<std::uintmax_t>(status.st_size);
    version.modified = static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec;
    version.identity = static_cast<unsigned long long>(status.st_ino);
    return version;
}

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

}  // namespace SystemCalls
