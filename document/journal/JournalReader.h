#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "document/journal/JournalHeader.h"
#include "document/journal/JournalRecord.h"

enum class JournalReadStatus {
    Read,            // the header is valid; records holds what was intact
    NotAJournal,     // too short for a header, or not a journal's magic
    UnknownVersion,  // a format this program does not know: refused, and never to be rewritten
    DamagedHeader,   // the header's CRC is wrong: nothing in the file can be trusted
    CannotRead,      // the file could not be opened or read (error)
};

// Where the intact part of a journal ends.
enum class JournalDamage {
    None,
    CutShort,       // the last record ends early (the program or the machine stopped while writing it)
    WrongChecksum,  // a record's CRC does not match its bytes
    Malformed,      // a record's CRC matches, but its kind is unknown or its payload does not fit it
};

// A journal as read: the header and every record before the first damage, in order. Nothing after
// a damaged record is taken, since no later record is meaningful without the one that was lost.
struct JournalContents {
    JournalReadStatus status = JournalReadStatus::NotAJournal;
    std::error_code error;
    JournalHeader header;
    std::vector<JournalRecord> records;
    JournalDamage damage = JournalDamage::None;
    std::uint64_t intactSize = 0;    // bytes from the start through the last intact record
    std::uint64_t bytesDropped = 0;  // bytes after it
    std::size_t recordsDropped = 0;  // records after it: the damaged one and those that still follow it
};

// Reads journals of any origin: every length and count is checked against the bytes that remain
// before anything is copied or reserved, and no input makes it fail other than by its result.
namespace JournalReader {

JournalContents Read(std::string_view bytes);
JournalContents ReadFile(const std::filesystem::path& file);

}  // namespace JournalReader
