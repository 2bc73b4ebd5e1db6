#include "document/journal/JournalFile.h"

#include <windows.h>

#include <new>
#include <utility>

namespace {

std::error_code LastError() {
    return {static_cast<int>(GetLastError()), std::system_category()};
}

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The lock covers one byte far beyond any journal's data, so that it keeps other programs from
// taking the lock but never from reading the journal.
OVERLAPPED LockRegion() {
    OVERLAPPED region{};
    region.Offset = 0;
    region.OffsetHigh = 0x7FFFFFFFu;
    return region;
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

// Other programs may read, write, rename and remove a journal while it is open here: the lock, not
// the sharing mode, tells them whether its program runs.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::error_code OpenHandle(std::intptr_t& handle, const std::filesystem::path& file, DWORD access,
                           DWORD disposition) {
    const HANDLE opened =
        CreateFileW(file.c_str(), access, shareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    handle = reinterpret_cast<std::intptr_t>(opened);
    return {};
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
    return OpenHandle(handle, file, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
}

std::error_code JournalFile::Open(const std::filesystem::path& file) {
    Close();
    return OpenHandle(handle, file, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
}

std::error_code JournalFile::OpenForReading(const std::filesystem::path& file) {
    Close();
    return OpenHandle(handle, file, GENERIC_READ, OPEN_EXISTING);
}

std::error_code JournalFile::Lock() {
    OVERLAPPED region = LockRegion();
    if (!LockFileEx(Handle(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &region)) {
        const DWORD reason = GetLastError();
        if (reason == ERROR_LOCK_VIOLATION || reason == ERROR_IO_PENDING) {
            return lockHeld;
        }
        return {static_cast<int>(reason), std::system_category()};
    }
    return {};
}

std::error_code JournalFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        OVERLAPPED position = At(offset);
        DWORD written = 0;
        if (!WriteFile(Handle(handle), bytes.data(), chunk, &written, &position)) {
            return LastError();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        bytes.remove_prefix(written);
        offset += written;
    }
    return {};
}

std::error_code JournalFile::SyncData() {
    if (!FlushFileBuffers(Handle(handle))) {
        return LastError();
    }
    return {};
}

std::error_code JournalFile::Truncate(std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(Handle(handle), FileEndOfFileInfo, &end, sizeof end)) {
        return LastError();
    }
    return {};
}

std::error_code JournalFile::ReadAll(std::string& bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Handle(handle), &size)) {
        return LastError();
    }
    try {
        bytes.clear();
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));
        char buffer[1 << 16];
        std::uint64_t offset = 0;
        for (;;) {
            OVERLAPPED position = At(offset);
            DWORD got = 0;
            if (!ReadFile(Handle(handle), buffer, sizeof buffer, &got, &position)) {
                return GetLastError() == ERROR_HANDLE_EOF ? std::error_code() : LastError();
            }
            if (got == 0) {
                return {};
            }
            bytes.append(buffer, got);
            offset += got;
        }
    } catch (const std::bad_alloc&) {
        bytes.clear();
        return std::make_error_code(std::errc::not_enough_memory);
    }
}

void JournalFile::Close() {
    if (handle != closed) {
        CloseHandle(Handle(handle));
        handle = closed;
    }
}
