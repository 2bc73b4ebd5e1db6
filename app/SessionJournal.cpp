#include "app/SessionJournal.h"

#include <ctime>

#include "document/journal/JournalFormat.h"
#include "document/journal/JournalPlatform.h"

namespace {

std::filesystem::path UserJournalFolder(std::error_code& problem) {
    return JournalPlatform::DefaultFolder(problem);
}

}  // namespace

SessionJournal::SessionJournal() : folder(UserJournalFolder(folderProblem)) {
    if (!folderProblem && !folder.Path().empty()) {
        writer = std::make_unique<JournalWriter>(folder.Path());
    }
}

SessionJournal::SessionJournal(std::filesystem::path journalFolder)
    : folder(journalFolder), writer(std::make_unique<JournalWriter>(std::move(journalFolder))) {}

std::optional<std::error_code> SessionJournal::Write(const JournalRecord& record) {
    if (writer == nullptr) {
        return std::nullopt;
    }
    const std::error_code error = writer->Append(record);
    const bool wasFailing = failing;
    failing = static_cast<bool>(error);
    if (failing && !wasFailing) {
        return error;
    }
    return std::nullopt;
}

bool SessionJournal::TakeOver(JournalFile ended, const std::filesystem::path& endedPath,
                              std::string_view taken, std::size_t takenRecords) {
    if (writer == nullptr) {
        return false;
    }
    if (ended.IsOpen() && writer->HoldsNoRecords() &&
        !writer->TakeOver(std::move(ended), endedPath, taken.size())) {
        return true;
    }
    // The ended journal holds them durably until the copy is synced, and is removed only after that.
    writer->DeferEncoded(taken.substr(JournalFormat::headerSize), takenRecords);
    return false;
}

void SessionJournal::Retire() {
    if (writer != nullptr && writer->IsOpen()) {
        writer->Retire();
    }
}

void SessionJournal::DiscardRunning() {
    if (writer != nullptr && writer->IsOpen()) {
        folder.DiscardRunning(*writer, static_cast<std::int64_t>(std::time(nullptr)));
    }
}

void SessionJournal::Remove() {
    if (writer != nullptr && writer->IsOpen()) {
        writer->Remove();
    }
}
