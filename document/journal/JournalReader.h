#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>
#include <vector>

#include "document/journal/JournalHeader.h"
#include "document/journal/JournalRecord.h"
#include "document/journal/JournalRecordView.h"

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

// Where a walk over a journal's records stopped.
struct JournalWalk {
    JournalReadStatus status = JournalReadStatus::NotAJournal;
    JournalHeader header;
    JournalDamage damage = JournalDamage::None;
    bool refused = false;            // a record did not follow the state before it (the caller said so)
    std::size_t recordsTaken = 0;    // records handed over and taken
    std::uint64_t takenSize = 0;     // bytes from the start through the last record taken
    std::size_t recordsDropped = 0;  // records from the one that stopped the walk on (see JournalContents)
};

// Reads journals of any origin: every length and count is checked against the bytes that remain
// before anything is copied or reserved, and no input makes it fail other than by its result.
namespace JournalReader {

JournalContents Read(std::string_view bytes);
// Hands each intact record of a journal's bytes, decoded in place, to `take` in order, up to the first
// that is damaged or that `take` refuses (false). One pass: recovery checks and applies each record as
// it comes.
JournalWalk Walk(std::string_view bytes, const std::function<bool(const JournalRecordView&)>& take);
// At most how many objects the records add to the planted list (copse loads aside), counted from the
// record lengths and object counts without checking the CRCs: for making room before a walk.
std::size_t PlantedObjectsIn(std::string_view bytes);
JournalContents ReadFile(const std::filesystem::path& file);

}  // namespace JournalReader
