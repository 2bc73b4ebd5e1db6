#include "document/journal/JournalWriter.h"

#include <cstdio>
#include <ctime>
#include <random>
#include <utility>

#include "document/SystemCalls.h"
#include "document/journal/JournalFormat.h"
#include "document/journal/JournalPlatform.h"

namespace {

// A name no other program picks: the creation time, the process and a random part.
std::filesystem::path NewJournalName(std::time_t now, std::uint32_t processId) {
    std::random_device entropy;
    char name[96];
    std::snprintf(name, sizeof name, "grovewright-%lld-%u-%08x.journal", static_cast<long long>(now),
                  static_cast<unsigned>(processId), static_cast<unsigned>(entropy()));
    return name;
}

// Journals are created under this suffix and renamed once their header is durable and they are
// locked, so that no other program ever sees one of ours half made and unlocked.
std::filesystem::path UnfinishedName(const std::filesystem::path& name) {
    std::filesystem::path unfinished = name;
    unfinished += ".new";
    return unfinished;
}

}  // namespace

JournalWriter::JournalWriter(std::filesystem::path folder_) : folder(std::move(folder_)) {}

std::error_code JournalWriter::Open() {
    if (IsOpen()) {
        return {};
    }
    if (const std::error_code error = JournalPlatform::CreatePrivateFolder(folder)) {
        return error;
    }
    std::error_code error;
    // Another program tidying the folder may take an unfinished journal away; then another name.
    for (int attempt = 0; attempt < 8; ++attempt) {
        error = CreateUnder(NewPath());
        if (!error) {
            return {};
        }
    }
    return error;
}

std::filesystem::path JournalWriter::NewPath() const {
    return folder / NewJournalName(std::time(nullptr), JournalPlatform::CurrentProcessId());
}

std::error_code JournalWriter::CreateUnder(const std::filesystem::path& finalName) {
    const std::filesystem::path unfinished = UnfinishedName(finalName);
    JournalHeader header;
    header.formatVersion = JournalFormat::version;
    header.createdAt = static_cast<std::int64_t>(std::time(nullptr));
    header.processId = JournalPlatform::CurrentProcessId();
    std::error_code error = file.Create(unfinished);
    if (error) {
        return error;
    }
    if (!(error = file.Lock()) && !(error = file.WriteAt(0, JournalFormat::EncodeHeader(header))) &&
        !(error = file.SyncData()) && !(error = SystemCalls::RenameReplacing(unfinished, finalName))) {
        error = SystemCalls::SyncFolder(folder);
    }
    if (error) {
        file.Close();
        std::error_code ignored;
        std::filesystem::remove(unfinished, ignored);
        return error;
    }
    path = finalName;
    durableSize = JournalFormat::headerSize;
    tailUncertain = false;
    return {};
}

std::error_code JournalWriter::Append(const JournalRecord& record) {
    if (const std::error_code error = Defer(record)) {
        return error;
    }
    if (!IsOpen()) {
        if (const std::error_code error = Open()) {
            return error;
        }
    }
    return WritePending();
}

std::error_code JournalWriter::Defer(const JournalRecord& record) {
    if (recordLost) {
        return std::make_error_code(std::errc::file_too_large);
    }
    try {
        if (!JournalFormat::AppendRecord(pending, record)) {
            recordLost = true;
        }
    } catch (const std::bad_alloc&) {
        recordLost = true;
    }
    if (recordLost) {
        // No later record means anything without this one: the journal keeps the state before it.
        return std::make_error_code(std::errc::file_too_large);
    }
    ++pendingRecords;
    return {};
}

void JournalWriter::DeferEncoded(std::string_view frames, std::size_t count) {
    if (!recordLost) {
        pending += frames;
        pendingRecords += count;
    }
}

bool JournalWriter::HoldsNoRecords() const {
    return pending.empty() && !recordLost &&
           (!IsOpen() || (durableSize == JournalFormat::headerSize && !tailUncertain));
}

std::error_code JournalWriter::TakeOver(JournalFile ended, const std::filesystem::path& endedPath,
                                        std::uint64_t keptSize) {
    Remove();
    std::error_code error = JournalPlatform::CreatePrivateFolder(folder);
    if (!error && !(error = ended.Truncate(keptSize)) && !(error = ended.SyncData())) {
        const std::filesystem::path target = NewPath();
        error = SystemCalls::RenameReplacing(endedPath, target);
        if (!error) {
            file = std::move(ended);
            path = target;
            durableSize = keptSize;
            // Best effort: were the rename lost with the power, the journal would be whole under its
            // old name, and recovered from there.
            (void)SystemCalls::SyncFolder(folder);
            if (endedPath.parent_path() != folder) {
                (void)SystemCalls::SyncFolder(endedPath.parent_path());
            }
        }
    }
    return error;
}

std::error_code JournalWriter::WritePending() {
    if (tailUncertain) {
        if (const std::error_code error = file.Truncate(durableSize)) {
            return error;
        }
        tailUncertain = false;
    }
    tailUncertain = true;
    std::error_code error = file.WriteAt(durableSize, pending);
    if (!error) {
        error = file.SyncData();
    }
    if (error) {
        return error;
    }
    tailUncertain = false;
    durableSize += pending.size();
    pending.clear();
    pendingRecords = 0;
    return {};
}

std::error_code JournalWriter::Retire() {
    ForgetPending();
    if (!IsOpen()) {
        return {};
    }
    durableSize = JournalFormat::headerSize;
    tailUncertain = true;
    std::error_code error = file.Truncate(durableSize);
    if (!error) {
        error = file.SyncData();
    }
    if (!error) {
        tailUncertain = false;
    }
    return error;
}

std::error_code JournalWriter::MoveTo(const std::filesystem::path& target) {
    if (!IsOpen()) {
        ForgetPending();
        return {};
    }
    if (pendingRecords > 0) {
        // The moved journal takes what can still be written; it is kept whole either way.
        (void)WritePending();
    }
    if (const std::error_code error = SystemCalls::RenameReplacing(path, target)) {
        return error;  // still open where it was, pending records and all
    }
    ForgetPending();
    std::error_code error = SystemCalls::SyncFolder(target.parent_path());
    if (const std::error_code sourceError = SystemCalls::SyncFolder(folder); !error) {
        error = sourceError;
    }
    Close();
    return error;
}

std::error_code JournalWriter::Remove() {
    ForgetPending();
    if (!IsOpen()) {
        return {};
    }
    std::error_code error;
    std::filesystem::remove(path, error);
    Close();
    return error;
}

void JournalWriter::ForgetPending() {
    pending.clear();
    pendingRecords = 0;
    recordLost = false;
}

void JournalWriter::Close() {
    file.Close();
    path.clear();
    durableSize = 0;
    tailUncertain = false;
}
