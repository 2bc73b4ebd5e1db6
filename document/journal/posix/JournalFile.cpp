#include "document/journal/JournalFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <utility>

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

int Descriptor(std::intptr_t handle) {
    return static_cast<int>(handle);
}

}  // namespace

const std::error_code JournalFile::lockHeld = std::make_error_code(std::errc::device_or_resource_busy);

JournalFile::JournalFile(JournalFile&& other) noexcept : handle(std::exchange(other.handle, closed)) {}

JournalFile& JournalFile::operator=(JournalFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle = std::exchange(other.handle, closed);
    }
    return *this;
}

std::error_code JournalFile::Create(const std::filesystem::path& file) {
    Close();
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return LastError();
    }
    handle = descriptor;
    return {};
}

std::error_code JournalFile::Open(const std::filesystem::path& file) {
    Close();
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0) {
        return LastError();
    }
    handle = descriptor;
    return {};
}

std::error_code JournalFile::OpenForReading(const std::filesystem::path& file) {
    Close();
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return LastError();
    }
    handle = descriptor;
    return {};
}

std::error_code JournalFile::Lock() {
    while (::flock(Descriptor(handle), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return lockHeld;
        }
        if (errno != EINTR) {
            return LastError();
        }
    }
    return {};
}

std::error_code JournalFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written =
            ::pwrite(Descriptor(handle), bytes.data(), bytes.size(), static_cast<off_t>(offset));
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
        offset += static_cast<std::uint64_t>(written);
    }
    return {};
}

std::error_code JournalFile::SyncData() {
    while (::fdatasync(Descriptor(handle)) != 0) {
        if (errno != EINTR) {
            return LastError();
        }
    }
    return {};
}

std::error_code JournalFile::Truncate(std::uint64_t size) {
    while (::ftruncate(Descriptor(handle), static_cast<off_t>(size)) != 0) {
        if (errno != EINTR) {
            return LastError();
        }
    }
    return {};
}

std::error_code JournalFile::ReadAll(std::string& bytes) {
    struct stat status {};
    if (::fstat(Descriptor(handle), &status) != 0) {
        return LastError();
    }
    try {
        bytes.clear();
        bytes.reserve(static_cast<std::size_t>(status.st_size));
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(Descriptor(handle), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return LastError();
            }
            if (got == 0) {
                return {};
            }
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
    } catch (const std::bad_alloc&) {
        bytes.clear();
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

void JournalFile::Close() {
    if (handle != closed) {
        ::close(Descriptor(handle));
        handle = closed;
    }
}
