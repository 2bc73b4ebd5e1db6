#pragma once

#include <zlib.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "document/journal/JournalFormat.h"
#include "document/journal/JournalRecord.h"

// Records of every kind, with values that a careless encoding would change: a NaN with payload bits,
// negative zero, the largest doubles, GUID texts with zero bytes and bytes above 127, empty texts.
inline std::vector<JournalRecord> SampleRecords() {
    JournalObjects trees;
    trees.Add(47.5, 8.25, "67707891DBC1CC0D5F111EE9C4CBF11A");
    trees.Add(-0.0, -180.0, std::string_view("\0\xff\x80 odd", 7));
    trees.Add(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::max(), "");
    JournalObjects one;
    one.Add(46.1234567, 7.7654321, "A1B2C3D4E5F60718293A4B5C6D7E8F90");
    return {
        JournalRecord::NewFile("trees.xml", "/home/pilot/scenery/"),
        JournalRecord::OpenFile("forest.xml", "C:\\Scenery\\", trees),
        JournalRecord::TreePlant(0xDEADBEEFu, one),
        JournalRecord::CopsePlant(1765000000u, trees),
        JournalRecord::AppendFrom("more.xml", trees),
        JournalRecord::AppendToStep(one),
        JournalRecord::EditDelete({0, 2, 7, 0xFFFFFFFFu}),
        JournalRecord::CopseLoad("copse.xml", one),
        JournalRecord::Undo(),
        JournalRecord::Redo(),
        JournalRecord::Close(),
        JournalRecord::Save("", ""),
        JournalRecord::GeneratorState(1),
        JournalRecord::TreePlant(7, JournalObjects{}),
    };
}

inline JournalHeader SampleHeader() {
    JournalHeader header;
    header.formatVersion = JournalFormat::version;
    header.createdAt = 1765120000;
    header.processId = 4242;
    return header;
}

inline std::string Encoded(const std::vector<JournalRecord>& records) {
    std::string bytes = JournalFormat::EncodeHeader(SampleHeader());
    for (const JournalRecord& record : records) {
        JournalFormat::AppendRecord(bytes, record);
    }
    return bytes;
}

inline void AppendLe(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A record frame around any payload, with a CRC that matches: for payloads the encoder never writes.
inline std::string Framed(std::uint16_t kind, const std::string& payload) {
    std::string frame;
    AppendLe(frame, payload.size(), 4);
    AppendLe(frame, kind, 2);
    frame += payload;
    AppendLe(frame, crc32(0, reinterpret_cast<const Bytef*>(frame.data()), static_cast<uInt>(frame.size())),
             4);
    return frame;
}
