#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/journal/JournalHeader.h"
#include "document/journal/JournalRecord.h"
#include "document/journal/JournalRecordView.h"

// The journal's bytes (laid out in JOURNAL.md beside this file): a fixed header, then records, each its
// payload's length, its kind, the payload and a CRC-32 over the three. Integers are little-endian and
// of fixed width; doubles are their IEEE bits. Pure functions over buffers, no I/O.
namespace JournalFormat {

inline constexpr std::string_view magic{"\x89GWJ\r\n\x1A\n", 8};
inline constexpr std::uint32_t version = 1;
inline constexpr std::size_t headerSize = 32;
// Around every payload: its length (4 bytes) and kind (2) before it, the CRC-32 (4) after it.
inline constexpr std::size_t recordFraming = 10;
// The fewest bytes one object takes: two doubles and its GUID's length.
inline constexpr std::size_t objectMinimum = 20;

std::string EncodeHeader(const JournalHeader& header);

// Appends the record's bytes; false (nothing appended) where its payload would not fit the 32-bit
// length field.
bool AppendRecord(std::string& out, const JournalRecord& record);

enum class HeaderCheck {
    Valid,
    NotAJournal,     // too short for a header, or another magic
    UnknownVersion,  // a journal of a format this program does not know
    Damaged,         // the header's CRC is wrong
};
HeaderCheck DecodeHeader(std::string_view bytes, JournalHeader& header);

// The record frame at the start of `bytes`, checked but not decoded.
struct Frame {
    enum class Check {
        Complete,
        CutShort,       // the bytes end inside the frame
        WrongChecksum,  // the frame is there but its CRC does not match
    };
    Check check = Check::CutShort;
    std::uint16_t kind = 0;
    std::string_view payload;
    std::size_t size = 0;  // the whole frame's bytes (Complete and WrongChecksum)
};
Frame NextFrame(std::string_view bytes);

// The frame at the start of `bytes` by its length alone, its CRC not checked (Complete where the
// bytes hold it whole, else CutShort): for counting records and making room before a walk.
Frame UncheckedFrame(std::string_view bytes);

// The objects field of a payload of this kind (their count, then the objects), found by skipping the
// fields before it by their lengths alone and not checked further; empty for kinds without objects or
// where the bytes end before it. For hints and making room before a walk, never for the objects' values.
std::string_view UncheckedObjectsField(std::uint16_t kind, std::string_view payload);

// Decodes a complete frame's payload by its kind in place, the view pointing into `payload`; false
// where the kind is unknown or the payload is not exactly what the kind holds (a length or count beyond
// the payload, positions out of order, bytes left over). Every decoding goes through this one check.
bool DecodeView(std::uint16_t kind, std::string_view payload, JournalRecordView& record);

}  // namespace JournalFormat
