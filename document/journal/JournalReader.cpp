#include "document/journal/JournalReader.h"

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
        const JournalFormat::Frame frame = JournalFormat::NextFrame(bytes);
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

void ReadRecords(std::string_view bytes, JournalContents& contents) {
    std::string_view rest = bytes.substr(JournalFormat::headerSize);
    while (!rest.empty()) {
        const JournalFormat::Frame frame = JournalFormat::NextFrame(rest);
        if (frame.check != JournalFormat::Frame::Check::Complete) {
            contents.damage = DamageOf(frame.check);
            break;
        }
        JournalRecord record;
        if (!JournalFormat::DecodePayload(frame.kind, frame.payload, record)) {
            contents.damage = JournalDamage::Malformed;
            break;
        }
        contents.records.push_back(std::move(record));
        rest.remove_prefix(frame.size);
    }
    contents.intactSize = bytes.size() - rest.size();
    contents.bytesDropped = rest.size();
    contents.recordsDropped = FramesFrom(rest);
}

}  // namespace

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
