#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "document/journal/JournalFile.h"
#include "document/journal/JournalRecord.h"

// Writes the running program's journal: one new file in the journal folder, locked while the writer
// holds it, a header and then one record per change of the document. Append returns only once the
// record is on the disk, so that a change is acknowledged only when a crash can no longer lose it.
//
// Failures are values. A record that could not be made durable stays pending, and every later Append
// writes all pending records again in order, first cutting the file back to its last durable record:
// a journal never holds a record whose predecessors are missing. Where the journal could not be
// created at all, each Append tries to create it again.
class JournalWriter {
public:
    explicit JournalWriter(std::filesystem::path folder);
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Creates the folder where needed and a new journal in it, with its header on the disk and its name
    // durable in the folder. Append calls it when no journal is open; an open journal stays as it is.
    std::error_code Open();

    // Adds the record after those before it and makes all of them durable (write, then fdatasync).
    std::error_code Append(const JournalRecord& record);
    // Adds records already encoded (a run of whole frames, `count` of them) after those before it but
    // leaves them pending: the next Append writes and syncs them with its own. For records already
    // durable elsewhere (those of a journal being recovered), so that bringing back a million of them
    // costs one sync rather than a million.
    void DeferEncoded(std::string_view frames, std::size_t count);

    // Nothing on the disk and nothing pending beyond a header: a journal that another can replace.
    bool HoldsNoRecords() const;
    // Makes an ended program's journal this writer's own, instead of copying its records: `ended` is
    // that journal opened for writing and locked, and `keptSize` where its records this program took
    // end. It is cut back to them, synced, and renamed into this writer's folder under a new name; this
    // writer's own journal, which held no records, is removed. Where it fails, this writer has no
    // journal open and `ended` stays where it was, its records before `keptSize` intact; once renamed it
    // is taken over, whatever the folders' syncs say.
    std::error_code TakeOver(JournalFile ended, const std::filesystem::path& endedPath,
                             std::uint64_t keptSize);

    // Nothing unsaved remains: cuts the journal back to its header (and forgets pending records).
    std::error_code Retire();

    // Moves the journal file to `target` (in another folder on the same file system) and closes it,
    // pending records written into it where they can be. The next Append starts a new journal. Where
    // the move fails, the journal stays open where it was.
    std::error_code MoveTo(const std::filesystem::path& target);

    // Closes and removes the journal: the program ends with nothing unsaved.
    std::error_code Remove();

    bool IsOpen() const { return file.IsOpen(); }
    const std::filesystem::path& Path() const { return path; }
    const std::filesystem::path& Folder() const { return folder; }
    // Records appended but not yet known to be on the disk.
    std::size_t PendingRecords() const { return pendingRecords; }

private:
    // Adds the record after those before it, pending until written.
    std::error_code Defer(const JournalRecord& record);
    std::error_code CreateUnder(const std::filesystem::path& finalName);
    std::filesystem::path NewPath() const;
    std::error_code WritePending();
    void ForgetPending();
    void Close();

    std::filesystem::path folder;
    std::filesystem::path path;
    JournalFile file;
    std::uint64_t durableSize = 0;  // the header and every record known to be on the disk
    bool tailUncertain = false;     // bytes after durableSize may have been written
    std::string pending;            // encoded records not yet durable, in order
    std::size_t pendingRecords = 0;
    bool recordLost = false;  // a record could not be encoded: nothing is appended until the next Retire
};
