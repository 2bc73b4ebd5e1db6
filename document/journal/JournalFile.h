#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// One open journal file over the platform's own file calls: created for the user alone, written at
// offsets, synced, truncated, and locked while its program runs (flock on POSIX, LockFileEx on Windows),
// so that other programs can tell a running program's journal from one whose program has ended.
// Errors are the system's; a lock held by another open file is lockHeld.
class JournalFile {
public:
    JournalFile() = default;
    ~JournalFile() { Close(); }
    JournalFile(JournalFile&& other) noexcept;
    JournalFile& operator=(JournalFile&& other) noexcept;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Creates the file, which must not exist, readable and writable by the user alone.
    std::error_code Create(const std::filesystem::path& file);
    // Opens an existing file for reading and writing, or for reading only.
    std::error_code Open(const std::filesystem::path& file);
    std::error_code OpenForReading(const std::filesystem::path& file);

    // Takes the lock without waiting. The lock lasts until Close, and stays with the file when it is
    // renamed; another open file of the same journal, in this program or another, cannot take it.
    std::error_code Lock();

    std::error_code WriteAt(std::uint64_t offset, std::string_view bytes);
    // Makes the data written so far durable (fdatasync, FlushFileBuffers).
    std::error_code SyncData();
    std::error_code Truncate(std::uint64_t size);
    std::error_code ReadAll(std::string& bytes);

    void Close();
    bool IsOpen() const { return handle != closed; }

    static const std::error_code lockHeld;

private:
    static constexpr std::intptr_t closed = -1;
    std::intptr_t handle = closed;  // a descriptor, or a Windows HANDLE
};
