#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

// Writes a file so that the file of that name is replaced only when the new one is complete: the bytes
// go to a temporary file in the same folder, which Commit renames over the target. A writer destroyed
// without Commit removes its temporary file and leaves the target as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file beside the target.
    std::error_code Open();
    // Appends the bytes, and sets the device writing them at once, so that Commit waits for little.
    std::error_code Write(std::string_view bytes);
    // Flushes the temporary file to the device, renames it over the target and flushes the folder, so
    // that the file under its name is durable when Commit returns. A failing folder flush is reported
    // although the target has been replaced.
    std::error_code Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    const std::filesystem::path& Target() const { return target; }

private:
    std::filesystem::path target;
    std::filesystem::path temporary;
    int descriptor = -1;
    long long bytesWritten = 0;  // the size of the temporary file
};
