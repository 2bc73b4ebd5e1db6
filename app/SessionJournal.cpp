#include "app/SessionJournal.h"

#include <ctime>

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
    const std::error_code error = deferring ? writer->Defer(record) : writer->Append(record);
    const bool wasFailing = failing;
    failing = static_cast<bool>(error);
    if (failing && !wasFailing) {
        return error;
    }
    return std::nullopt;
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
