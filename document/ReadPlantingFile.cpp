#include "document/ReadPlantingFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

#include "document/SystemCalls.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::error_code LastError(std::errc fallback) {
    return errno != 0 ? std::error_code(errno, std::generic_category()) : std::make_error_code(fallback);
}

// Reads the file from its start to its end into text. The size the file system reported is only
// where to start: a file that grew or shrank meanwhile is read as it now is. False on a read error.
bool ReadToEnd(std::FILE* file, std::string& text, std::size_t reportedSize) {
    text.resize(reportedSize);
    const std::size_t filled = std::fread(text.data(), 1, reportedSize, file);
    if (filled < reportedSize) {
        text.resize(filled);
        return std::ferror(file) == 0;
    }
    char more[16 * 1024];
    for (;;) {
        const std::size_t got = std::fread(more, 1, sizeof more, file);
        text.append(more, got);
        if (got < sizeof more) {
            return std::ferror(file) == 0;
        }
    }
}

void ReadOpenFile(std::FILE* file, std::uintmax_t reportedSize, PlantingFileText& result) {
    if (reportedSize > result.text.max_size()) {
        result.status = ReadStatus::TooLarge;
        return;
    }
    try {
        errno = 0;
        if (ReadToEnd(file, result.text, static_cast<std::size_t>(reportedSize))) {
            result.status = ReadStatus::Read;
        } else {
            result.status = ReadStatus::ReadError;
            result.error = LastError(std::errc::io_error);
        }
    } catch (const std::bad_alloc&) {
        result.status = ReadStatus::TooLarge;
    } catch (const std::length_error&) {
        result.status = ReadStatus::TooLarge;
    }
}

PlantingFileText ReadFile(const std::filesystem::path& path) {
    PlantingFileText result;
    const std::filesystem::file_status status = std::filesystem::status(path, result.error);
    if (status.type() == std::filesystem::file_type::not_found) {
        result.status = ReadStatus::NotFound;
        result.error = std::make_error_code(std::errc::no_such_file_or_directory);
        return result;
    }
    if (!std::filesystem::exists(status)) {
        result.status = ReadStatus::CannotOpen;
        return result;
    }
    result.error.clear();
    if (std::filesystem::is_directory(status)) {
        result.status = ReadStatus::CannotOpen;
        result.error = std::make_error_code(std::errc::is_a_directory);
        return result;
    }
    errno = 0;
    const File file(SystemCalls::OpenForReading(path));
    if (!file) {
        result.status = ReadStatus::CannotOpen;
        result.error = LastError(std::errc::permission_denied);
        return result;
    }
    // Special files report no size; they are read to their end all the same.
    std::error_code sizeError;
    std::uintmax_t size =
        std::filesystem::is_regular_file(status) ? std::filesystem::file_size(path, sizeError) : 0;
    if (sizeError) {
        size = 0;
    }
    ReadOpenFile(file.get(), size, result);
    if (result.status != ReadStatus::Read) {
        result.text = std::string();
    }
    return result;
}

}  // namespace

PlantingFileText ReadPlantingFile(const std::filesystem::path& path) {
    try {
        return ReadFile(path);
    } catch (const std::bad_alloc&) {
        return {ReadStatus::TooLarge, {}, {}};
    }
}
