#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

// The system calls of the document's file steps that differ between platforms; each platform has its
// own implementation in posix/ or win32/. Calls that return -1 or null leave the reason in errno.
namespace SystemCalls {

// Creates a new file for writing only if nothing of that name exists; a descriptor, or -1.
int OpenExclusive(const std::filesystem::path& path);
// Writes up to `count` bytes; the number written, or -1.
long long WriteSome(int descriptor, const char* bytes, std::size_t count);
// Starts writing the given bytes of the file to the device without waiting for them, so that the
// device works while more is written and the flush at the end has less left to wait for. Only a
// head start: it reports nothing, and where the system has no such call it does nothing.
void StartWriteBack(int descriptor, long long offset, long long count);
// Flushes the file's data to the device; 0 on success.
int FlushToDevice(int descriptor);
int CloseDescriptor(int descriptor);

// Renames `from` to `to`, replacing `to` in one step where it exists.
std::error_code RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Makes the folder's entries durable (a file renamed into it, say): fsync of the folder on POSIX. Windows
// writes a rename through by itself (MOVEFILE_WRITE_THROUGH), so there it does nothing.
std::error_code SyncFolder(const std::filesystem::path& folder);
// True where a rename failed only because the two paths lie on different file systems.
bool CrossesFileSystems(const std::error_code& error);

// Opens a file for reading its bytes as they stand (binary); null where it cannot be opened.
std::FILE* OpenForReading(const std::filesystem::path& path);

// What identifies one version of a regular file, so that a file left from an earlier run is not taken
// for a new one written under the same name.
struct FileVersion {
    bool exists = false;
    std::uintmax_t size = 0;
    long long modified = 0;
    unsigned long long identity = 0;

    bool operator==(const FileVersion&) const = default;
};
FileVersion VersionOf(const std::filesystem::path& file);

// The moment in the user's local time.
std::tm LocalTime(std::time_t moment);

}  // namespace SystemCalls
