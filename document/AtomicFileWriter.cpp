#include "document/AtomicFileWriter.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// A name no other writer picks: the target's name, hidden, with a random suffix.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target) {
    std::random_device entropy;
    const auto suffixValue = (static_cast<unsigned long long>(entropy()) << 32) ^ entropy();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", suffixValue);
    std::filesystem::path name = target;
    name.replace_filename("." + target.filename().string() + suffix);
    return name;
}

#ifdef _WIN32
int OpenExclusive(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int descriptor, const char* bytes, std::size_t count) {
    const unsigned chunk = count > 0x40000000u ? 0x40000000u : static_cast<unsigned>(count);
    return _write(descriptor, bytes, chunk);
}
int FlushToDevice(int descriptor) { return _commit(descriptor); }
int CloseDescriptor(int descriptor) { return _close(descriptor); }
#else
int OpenExclusive(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
ssize_t WriteSome(int descriptor, const char* bytes, std::size_t count) {
    return ::write(descriptor, bytes, count);
}
int FlushToDevice(int descriptor) { return ::fsync(descriptor); }
int CloseDescriptor(int descriptor) { return ::close(descriptor); }
#endif

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target_) : target(std::move(target_)) {}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

std::error_code AtomicFileWriter::Open() {
    Discard();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryNameFor(target);
        descriptor = OpenExclusive(temporary);
        if (descriptor >= 0) {
            return {};
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const std::error_code error = LastError();
    temporary.clear();
    return error;
}

std::error_code AtomicFileWriter::Write(std::string_view bytes) {
    if (descriptor < 0) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    while (!bytes.empty()) {
        const auto written = WriteSome(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::error_code AtomicFileWriter::Commit() {
    if (descriptor < 0) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    std::error_code error;
    if (FlushToDevice(descriptor) != 0) {
        error = LastError();
    }
    if (CloseDescriptor(descriptor) != 0 && !error) {
        error = LastError();
    }
    descriptor = -1;
    if (!error) {
        error = RenameReplacing(temporary, target);
    }
    if (error) {
        Discard();
        return error;
    }
    temporary.clear();
    return {};
}

void AtomicFileWriter::Discard() {
    if (descriptor >= 0) {
        CloseDescriptor(descriptor);
        descriptor = -1;
    }
    if (!temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        temporary.clear();
    }
}

std::error_code RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {static_cast<int>(GetLastError()), std::system_category()};
    }
    return {};
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return LastError();
    }
    return {};
#endif
}
