#include "document/AtomicFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "document/SystemCalls.h"

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

// The folder whose entry names the file; a bare name stands in the working folder.
std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target_) : target(std::move(target_)) {}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

std::error_code AtomicFileWriter::Open() {
    Discard();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryNameFor(target);
        descriptor = SystemCalls::OpenExclusive(temporary);
        bytesWritten = 0;
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
    const long long start = bytesWritten;
    while (!bytes.empty()) {
        const auto written = SystemCalls::WriteSome(descriptor, bytes.data(), bytes.size());
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
        bytesWritten += written;
    }
    SystemCalls::StartWriteBack(descriptor, start, bytesWritten - start);
    return {};
}

std::error_code AtomicFileWriter::Commit() {
    if (descriptor < 0) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    std::error_code error;
    if (SystemCalls::FlushToDevice(descriptor) != 0) {
        error = LastError();
    }
    if (SystemCalls::CloseDescriptor(descriptor) != 0 && !error) {
        error = LastError();
    }
    descriptor = -1;
    if (!error) {
        error = SystemCalls::RenameReplacing(temporary, target);
    }
    if (error) {
        Discard();
        return error;
    }
    temporary.clear();
    // The new name must survive a power loss too, not only the bytes behind it.
    return SystemCalls::SyncFolder(FolderOf(target));
}

void AtomicFileWriter::Discard() {
    if (descriptor >= 0) {
        SystemCalls::CloseDescriptor(descriptor);
        descriptor = -1;
    }
    if (!temporary.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        temporary.clear();
    }
}
