#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "document/journal/JournalFolder.h"
#include "document/journal/JournalRecord.h"
#include "document/journal/JournalWriter.h"

// The running program's journal: every change of the document is written here, and is on the disk,
// before the change is acknowledged, so that a crash, a kill or a power loss loses no planted object.
// A failure is reported each time writing stops working (the user is told planting is no longer
// protected) and tried again with the next record; planting goes on.
class SessionJournal {
public:
    // The user's journal folder; a journal is created with the first record.
    SessionJournal();
    // A journal folder of the caller's (tests).
    explicit SessionJournal(std::filesystem::path folder);

    // Writes the record durably; an error the first time writing fails after working (or at all).
    std::optional<std::error_code> Write(const JournalRecord& record);
    // Takes over the records of an ended program's journal that this session recovered, `taken`: its
    // bytes from the start through the last of them, `takenRecords` records (see
    // JournalWriter::TakeOver), where this journal holds none of its own and `ended` is open and locked;
    // else copies them, to be written with the next Write's sync. True where taken over: then the
    // ended journal is this session's and is not to be removed.
    bool TakeOver(JournalFile ended, const std::filesystem::path& endedPath, std::string_view taken,
                  std::size_t takenRecords);
    // Nothing unsaved remains: the journal goes back to its header.
    void Retire();
    // The user gave up the unsaved objects: the journal moves to discarded/, where it can be recovered.
    void DiscardRunning();
    // The program ends with nothing unsaved.
    void Remove();

    const JournalFolder& Folder() const { return folder; }
    bool Available() const { return writer != nullptr; }
    // The journal this program writes; empty before the first record.
    std::filesystem::path RunningFile() const {
        return writer == nullptr ? std::filesystem::path() : writer->Path();
    }
    // The last write failed: records wait for the next one.
    bool Failing() const { return failing; }
    // Why there is no journal folder at all (no home folder); empty otherwise.
    const std::error_code& FolderProblem() const { return folderProblem; }

private:
    std::error_code folderProblem;
    JournalFolder folder;
    std::unique_ptr<JournalWriter> writer;
    bool failing = false;
};
