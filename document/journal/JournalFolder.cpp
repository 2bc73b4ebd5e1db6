#include "document/journal/JournalFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <tuple>
#include <utility>

#include "document/SystemCalls.h"
#include "document/journal/JournalPlatform.h"
#include "document/journal/JournalReplay.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

bool IsJournalName(const fs::path& file) {
    return file.extension() == ".journal";
}

bool IsUnfinishedName(const fs::path& file) {
    return file.extension() == ".new" && file.stem().extension() == ".journal";
}

// Discarded journals are named "<discard time, UTC: yyyymmddThhmmssZ>-<their name>".
constexpr std::size_t stampLength = 17;

std::string DiscardStamp(std::int64_t now) {
    const sys_seconds moment{seconds{now}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss<seconds> time{moment - day};
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02uT%02d%02d%02dZ-", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return stamp;
}

bool Digits(const std::string& text, std::size_t from, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool ParseDiscardStamp(const std::string& name, std::int64_t& at) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (name.size() < stampLength || name[8] != 'T' || name[15] != 'Z' || name[16] != '-' ||
        !Digits(name, 0, 4, y) || !Digits(name, 4, 2, mo) || !Digits(name, 6, 2, d) ||
        !Digits(name, 9, 2, h) || !Digits(name, 11, 2, mi) || !Digits(name, 13, 2, s)) {
        return false;
    }
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 60) {
        return false;
    }
    at = sys_seconds{sys_days{date}}.time_since_epoch().count() + h * 3600 + mi * 60 + s;
    return true;
}

std::int64_t LastWritten(const fs::path& file) {
    std::error_code error;
    const fs::file_time_type written = fs::last_write_time(file, error);
    if (error) {
        return 0;
    }
    return duration_cast<seconds>(file_clock::to_sys(written).time_since_epoch()).count();
}

// Opens an ended program's journal and takes its lock: lockHeld where its program still runs.
std::error_code Claim(const fs::path& file, JournalFile& journal) {
    if (const std::error_code error = journal.OpenForReading(file)) {
        return error;
    }
    return journal.Lock();
}

JournalSummary Summarize(const fs::path& file, const std::string& bytes) {
    JournalSummary summary;
    summary.file = file;
    summary.lastWritten = LastWritten(file);
    ParseDiscardStamp(file.filename().string(), summary.discardedAt);
    JournalContents contents = JournalReader::Read(bytes);
    summary.status = contents.status;
    summary.header = contents.header;
    summary.damage = contents.damage;
    summary.recordsDropped = contents.recordsDropped;
    const std::size_t intact = contents.records.size();
    JournalReplay replay;
    summary.recordsDropped += intact - replay.ApplyAll(std::move(contents.records));
    summary.fileName = replay.FileName();
    summary.folder = replay.Folder();
    summary.fileOpen = replay.FileOpen();
    summary.unsavedObjects = replay.UnsavedObjects();
    return summary;
}

// The journal read while its lock is held; nullopt-like: false where its program runs.
bool SummarizeClaimed(const fs::path& file, JournalSummary& summary) {
    JournalFile journal;
    std::error_code error = Claim(file, journal);
    if (error == JournalFile::lockHeld) {
        return false;
    }
    std::string bytes;
    if (!error) {
        error = journal.ReadAll(bytes);
    }
    if (error) {
        summary = JournalSummary{};
        summary.file = file;
        summary.status = JournalReadStatus::CannotRead;
        summary.lastWritten = LastWritten(file);
        return true;
    }
    summary = Summarize(file, bytes);
    return true;
}

// A journal of no more use: read whole, or but for a last record cut short (one that was never
// acknowledged), with nothing unsaved.
bool Spent(const JournalSummary& summary) {
    const bool whole = summary.recordsDropped == 0 ||
                       (summary.damage == JournalDamage::CutShort && summary.recordsDropped == 1);
    return summary.status == JournalReadStatus::Read && summary.unsavedObjects == 0 && whole;
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        if (entry->is_regular_file(typeError)) {
            files.push_back(entry->path());
        }
    }
    return files;
}

std::error_code RemoveClaimed(const fs::path& file) {
    JournalFile journal;
    if (const std::error_code error = Claim(file, journal)) {
        return error;
    }
    std::error_code error;
    fs::remove(file, error);
    return error;
}

void SortNewestFirst(std::vector<JournalSummary>& summaries) {
    std::sort(summaries.begin(), summaries.end(), [](const JournalSummary& a, const JournalSummary& b) {
        return std::tie(b.discardedAt, b.lastWritten, b.file) <
               std::tie(a.discardedAt, a.lastWritten, a.file);
    });
}

}  // namespace

JournalFolder::JournalFolder(std::filesystem::path folder_) : folder(std::move(folder_)) {}

std::vector<JournalSummary> JournalFolder::List(const std::filesystem::path& where) const {
    std::vector<JournalSummary> summaries;
    for (const fs::path& file : FilesIn(where)) {
        JournalSummary summary;
        if (IsJournalName(file) && SummarizeClaimed(file, summary)) {
            summaries.push_back(std::move(summary));
        }
    }
    SortNewestFirst(summaries);
    return summaries;
}

std::vector<JournalSummary> JournalFolder::ListUnlocked() const {
    return List(folder);
}

std::vector<JournalSummary> JournalFolder::ListDiscarded() const {
    return List(DiscardedPath());
}

std::error_code JournalFolder::Discard(const std::filesystem::path& journal, std::int64_t now) const {
    JournalFile claimed;
    std::error_code error = Claim(journal, claimed);
    if (!error) {
        error = JournalPlatform::CreatePrivateFolder(DiscardedPath());
    }
    if (!error) {
        error = SystemCalls::RenameReplacing(
            journal, DiscardedPath() / (DiscardStamp(now) + journal.filename().string()));
    }
    if (!error) {
        error = SystemCalls::SyncFolder(DiscardedPath());
    }
    return error;
}

std::error_code JournalFolder::DiscardRunning(JournalWriter& writer, std::int64_t now) const {
    if (!writer.IsOpen()) {
        return writer.MoveTo({});  // nothing on disk: only its pending records go
    }
    if (const std::error_code error = JournalPlatform::CreatePrivateFolder(DiscardedPath())) {
        return error;
    }
    return writer.MoveTo(DiscardedPath() / (DiscardStamp(now) + writer.Path().filename().string()));
}

std::error_code JournalFolder::Remove(const std::filesystem::path& journal) const {
    return RemoveClaimed(journal);
}

std::vector<JournalSummary> JournalFolder::Tidy(std::int64_t now) const {
    for (const fs::path& file : FilesIn(DiscardedPath())) {
        std::int64_t discardedAt = 0;
        if (!ParseDiscardStamp(file.filename().string(), discardedAt)) {
            discardedAt = LastWritten(file);
        }
        if (now - discardedAt > keepDiscardedSeconds) {
            RemoveClaimed(file);
        }
    }
    std::vector<JournalSummary> remaining;
    for (const fs::path& file : FilesIn(folder)) {
        if (IsUnfinishedName(file)) {
            RemoveClaimed(file);
            continue;
        }
        JournalSummary summary;
        if (!IsJournalName(file) || !SummarizeClaimed(file, summary)) {
            continue;
        }
        if (!Spent(summary) || RemoveClaimed(file)) {
            remaining.push_back(std::move(summary));
        }
    }
    SortNewestFirst(remaining);
    return remaining;
}
