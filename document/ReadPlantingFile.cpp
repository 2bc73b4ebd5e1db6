#include "document/ReadPlantingFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return File(_wfopen(path.c_str(), L"rb"));
#else
    return File(std::fopen(path.c_str(), "rb"));
#endif
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

PlantingFileStatus ReadOpenFile(std::FILE* file, std::uintmax_t reportedSize, std::string& text) {
    if (reportedSize > text.max_size()) {
        return PlantingFileStatus::TooLarge;
    }
    try {
        return ReadToEnd(file, text, static_cast<std::size_t>(reportedSize)) ? PlantingFileStatus::Read
                                                                             : PlantingFileStatus::ReadError;
    } catch (const std::bad_alloc&) {
        return PlantingFileStatus::TooLarge;
    } catch (const std::length_error&) {
        return PlantingFileStatus::TooLarge;
    }
}

PlantingFileText ReadFile(const std::filesystem::path& path) {
    PlantingFileText result;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        result.status = status.type() == std::filesystem::file_type::not_found ? PlantingFileStatus::NotFound
                                                                                : PlantingFileStatus::CannotOpen;
        return result;
    }
    if (std::filesystem::is_directory(status)) {
        result.status = PlantingFileStatus::CannotOpen;
        return result;
    }
    const File file = OpenForReading(path);
    if (!file) {
        result.status = PlantingFileStatus::CannotOpen;
        return result;
    }
    // Special files report no size; they are read to their end all the same.
    std::uintmax_t size = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(path, error) : 0;
    if (error) {
        size = 0;
    }
    result.status = ReadOpenFile(file.get(), size, result.text);
    if (result.status != PlantingFileStatus::Read) {
        result.text = std::string();
    }
    return result;
}

}  // namespace

PlantingFileText ReadPlantingFile(const std::filesystem::path& path) {
    try {
        return ReadFile(path);
    } catch (const std::bad_alloc&) {
        return {PlantingFileStatus::TooLarge, {}};
    }
}
