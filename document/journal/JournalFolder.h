#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "document/journal/JournalHeader.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalWriter.h"

// What recovery shows of one journal whose program has ended.
struct JournalSummary {
    std::filesystem::path file;
    JournalReadStatus status = JournalReadStatus::NotAJournal;
    JournalHeader header;
    std::int64_t lastWritten = 0;  // when its program last wrote it (the file's time), seconds since 1970 UTC
    std::int64_t discardedAt = 0;  // discarded journals: when they were discarded
    // The document as its records leave it.
    std::string fileName;
    std::string folder;
    bool fileOpen = false;
    std::size_t unsavedObjects = 0;
    JournalDamage damage = JournalDamage::None;
    // Records that recovery cannot bring back: those from a damaged one on, and those from the first
    // that does not follow the document's state on.
    std::size_t recordsDropped = 0;
};

// The journal folder: one journal per running program, each locked while its program runs, and a
// discarded/ folder for journals whose objects the user gave up, kept 30 days. Journals of ended
// programs are taken away or moved only while this holds their lock, so that a program starting at
// the same moment cannot lose its new journal to it.
class JournalFolder {
public:
    explicit JournalFolder(std::filesystem::path folder);

    const std::filesystem::path& Path() const { return folder; }
    std::filesystem::path DiscardedPath() const { return folder / "discarded"; }

    // Journals not locked by a running program, newest first, unknown versions and damaged ones
    // included (their status says so).
    std::vector<JournalSummary> ListUnlocked() const;
    // Discarded journals, the most recently discarded first.
    std::vector<JournalSummary> ListDiscarded() const;

    // Moves an ended program's journal into discarded/, stamped with `now` (seconds since 1970 UTC).
    std::error_code Discard(const std::filesystem::path& journal, std::int64_t now) const;
    // Moves the running program's own journal there; its next record starts a new journal.
    std::error_code DiscardRunning(JournalWriter& writer, std::int64_t now) const;
    // Removes an ended program's journal, from here or from discarded/ (after recovery took it over).
    std::error_code Remove(const std::filesystem::path& journal) const;

    // Deletes journals discarded more than 30 days before `now`, journals of ended programs whose
    // records leave nothing unsaved, and journals whose creation never finished. Journals of unknown
    // versions and unreadable ones stay as they are. The unlocked journals that remain, as
    // ListUnlocked gives them: each is read once, for both.
    std::vector<JournalSummary> Tidy(std::int64_t now) const;

    static constexpr std::int64_t keepDiscardedSeconds = 30 * 24 * 60 * 60;

private:
    std::vector<JournalSummary> List(const std::filesystem::path& where) const;

    std::filesystem::path folder;
};
