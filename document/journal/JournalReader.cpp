#include "document/journal/JournalReader.h"

#include <algorithm>
#include <new>
#include <string>

#include "document/journal/JournalFile.h"
#include "document/journal/JournalFormat.h"

namespace JournalReader {

namespace {

JournalReadStatus StatusOf(JournalFormat::HeaderCheck check) {
    switch (check) {
        case JournalFormat::HeaderCheck::Valid:
            return JournalReadStatus::Read;
        case JournalFormat::HeaderCheck::NotAJournal:
            return JournalReadStatus::NotAJournal;
        case JournalFormat::HeaderCheck::UnknownVersion:
            return JournalReadStatus::UnknownVersion;
        case JournalFormat::HeaderCheck::Damaged:
            break;
    }
    return JournalReadStatus::DamagedHeader;
}

// How many records follow a damaged one: the frames that can still be walked by their lengths, the
// damaged one included, and one more for bytes that end inside a frame. A damaged length makes this
// a guess, but never zero while bytes remain.
std::size_t FramesFrom(std::string_view bytes) {
    std::size_t frames = 0;
    while (!bytes.empty()) {
        const JournalFormat::Frame frame = JournalFormat::UncheckedFrame(bytes);
        ++frames;
        if (frame.check == JournalFormat::Frame::Check::CutShort) {
            break;
        }
        bytes.remove_prefix(frame.size);
    }
    return frames;
}

JournalDamage DamageOf(JournalFormat::Frame::Check check) {
    return check == JournalFormat::Frame::Check::CutShort ? JournalDamage::CutShort
                                                          : JournalDamage::WrongChecksum;
}

// Room for the records the lengths promise, so that a journal of a million presses is not moved
// about while it is read; bounded, so that lengths alone never claim much memory.
void ReserveRecords(std::string_view rest, std::vector<JournalRecord>& records) {
    constexpr std::size_t mostReserved = std::size_t{1} << 22;
    std::size_t frames = 0;
    for (; frames < mostReserved; ++frames) {
        const JournalFormat::Frame frame = JournalFormat::UncheckedFrame(rest);
        if (frame.check == JournalFormat::Frame::Check::CutShort) {
            break;
        }
        rest.remove_prefix(frame.size);
    }
    records.reserve(frames);
}

void ReadRecords(std::string_view bytes, JournalContents& contents) {
    ReserveRecords(bytes.substr(JournalFormat::headerSize), contents.records);
    JournalObjects::Arena arena;
    const JournalWalk walk = Walk(bytes, [&contents, &arena](const JournalRecordView& view) {
        // Copied into records of their own, their objects added to the one store all records share.
        JournalRecord& record = contents.records.emplace_back();
        record.kind = view.kind;
        record.fileName.assign(view.fileName);
        record.folder.assign(view.folder);
        record.seed = view.seed;
        const std::size_t start = arena.Count();
        for (const JournalRecordView::Object object : view.objects) {
            arena.Add(object.latitude, object.longitude, object.guid);
        }
        record.objects = arena.From(start);
        record.positions.resize(view.positions.Count());
        for (std::size_t i = 0; i < record.positions.size(); ++i) {
            record.positions[i] = view.positions.At(i);
        }
        return true;
    });
    contents.damage = walk.damage;
    contents.intactSize = walk.takenSize;
    contents.bytesDropped = bytes.size() - walk.takenSize;
    contents.recordsDropped = walk.recordsDropped;
}

}  // namespace

JournalWalk Walk(std::string_view bytes, const std::function<bool(const JournalRecordView&)>& take) {
    JournalWalk walk;
    walk.status = StatusOf(JournalFormat::DecodeHeader(bytes, walk.header));
    if (walk.status != JournalReadStatus::Read) {
        return walk;
    }
    std::string_view rest = bytes.substr(JournalFormat::headerSize);
    JournalRecordView record;
    while (!rest.empty()) {
        const JournalFormat::Frame frame = JournalFormat::NextFrame(rest);
        if (frame.check != JournalFormat::Frame::Check::Complete) {
            walk.damage = DamageOf(frame.check);
            break;
        }
        if (!JournalFormat::DecodeView(frame.kind, frame.payload, record)) {
            walk.damage = JournalDamage::Malformed;
            break;
        }
        if (!take(record)) {
            walk.refused = true;
            break;
        }
        ++walk.recordsTaken;
        rest.remove_prefix(frame.size);
    }
    walk.takenSize = bytes.size() - rest.size();
    walk.recordsDropped = FramesFrom(rest);
    return walk;
}

std::size_t PlantedObjectsIn(std::string_view bytes) {
    std::size_t objects = 0;
    std::string_view rest = bytes.substr(std::min(bytes.size(), JournalFormat::headerSize));
    for (;;) {
        const JournalFormat::Frame frame = JournalFormat::UncheckedFrame(rest);
        if (frame.check == JournalFormat::Frame::Check::CutShort) {
            break;
        }
        // The count as written, but never more than the bytes could hold.
        const std::string_view field = JournalFormat::UncheckedObjectsField(frame.kind, frame.payload);
        if (field.size() >= 4 && static_cast<JournalRecordKind>(frame.kind) != JournalRecordKind::CopseLoad) {
            objects += std::min<std::size_t>(JournalRecordView::U32(field.data()),
                                             (field.size() - 4) / JournalFormat::objectMinimum);
        }
        rest.remove_prefix(frame.size);
    }
    return objects;
}

JournalContents Read(std::string_view bytes) {
    JournalContents contents;
    contents.status = StatusOf(JournalFormat::DecodeHeader(bytes, contents.header));
    if (contents.status != JournalReadStatus::Read) {
        return contents;
    }
    try {
        ReadRecords(bytes, contents);
    } catch (const std::bad_alloc&) {
        contents.records.clear();
        contents.status = JournalReadStatus::CannotRead;
        contents.error = std::make_error_code(std::errc::not_enough_memory);
    }
    return contents;
}

JournalContents ReadFile(const std::filesystem::path& file) {
    JournalContents contents;
    std::string bytes;
    JournalFile journal;
    contents.error = journal.OpenForReading(file);
    if (!contents.error) {
        contents.error = journal.ReadAll(bytes);
    }
    if (contents.error) {
        contents.status = JournalReadStatus::CannotRead;
        return contents;
    }
    return Read(bytes);
}

}  // namespace JournalReader
