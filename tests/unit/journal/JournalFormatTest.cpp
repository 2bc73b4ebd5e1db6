#include "document/journal/JournalFormat.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "document/journal/Crc32.h"
#include "document/journal/JournalReader.h"
#include "tests/unit/journal/JournalSamples.h"

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

TEST(JournalFormat, EveryKindReadsBackAsWritten) {
    const std::vector<JournalRecord> records = SampleRecords();
    const JournalContents contents = JournalReader::Read(Encoded(records));
    ASSERT_EQ(contents.status, JournalReadStatus::Read);
    EXPECT_EQ(contents.header, SampleHeader());
    EXPECT_EQ(contents.damage, JournalDamage::None);
    EXPECT_EQ(contents.recordsDropped, 0u);
    ASSERT_EQ(contents.records.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_TRUE(contents.records[i] == records[i]) << "record " << i;
    }
}

// The journal's CRC-32 works eight bytes at a time and then byte by byte: it must equal zlib's for every
// length around those steps, at every alignment, and when continued from a CRC of the bytes before.
TEST(JournalFormat, Crc32IsZlibsForEveryLengthAndAlignment) {
    std::string bytes(600, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 131 + (i >> 3)) & 0xFF);
    }
    const auto zlibCrc = [](std::uint32_t crc, std::string_view piece) {
        return static_cast<std::uint32_t>(
            crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size())));
    };
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (std::size_t length = 0; length <= 300; ++length) {
            const std::string_view piece = std::string_view(bytes).substr(offset, length);
            ASSERT_EQ(Crc32(0, piece), zlibCrc(0, piece)) << "offset " << offset << ", length " << length;
            const std::string_view next = std::string_view(bytes).substr(offset + length, 37);
            ASSERT_EQ(Crc32(Crc32(0, piece), next), zlibCrc(zlibCrc(0, piece), next)) << "length " << length;
        }
    }
}

// The layout is a promise to journals already on users' disks: these bytes must keep reading as they do.
TEST(JournalFormat, HeaderAndRecordBytesAreTheDocumentedLayout) {
    JournalObjects one;
    one.Add(1.0, -2.0, "AB");
    std::string bytes = JournalFormat::EncodeHeader(SampleHeader());
    JournalFormat::AppendRecord(bytes, JournalRecord::TreePlant(0x01020304u, one));
    EXPECT_EQ(Hex(bytes),
              // magic, version 1, process 4242, created 1765120000, reserved, CRC-32 of the 28 bytes before
              "8947574a0d0a1a0a"
              "01000000"
              "92100000"
              "0098356900000000"
              "00000000"
              "30ae8bbe"
              // payload length 30, kind 3, seed, one object: 1.0, -2.0, "AB"; CRC-32 of length, kind, payload
              "1e000000"
              "0300"
              "04030201"
              "01000000"
              "000000000000f03f"
              "00000000000000c0"
              "02000000"
              "4142"
              "9d6228ce");
}

TEST(JournalFormat, HeadersThatCannotBeTrustedAreRefused) {
    const std::string good = Encoded({JournalRecord::Close()});
    std::string newer = good;
    newer[8] = 2;  // version 2, whatever the rest says
    std::string damaged = good;
    damaged[20] ^= 0x10;
    std::string otherMagic = good;
    otherMagic[1] = 'X';
    const struct {
        const char* name;
        std::string bytes;
        JournalReadStatus status;
    } cases[] = {
        {"empty file", "", JournalReadStatus::NotAJournal},
        {"header cut short", good.substr(0, JournalFormat::headerSize - 1), JournalReadStatus::NotAJournal},
        {"another magic", otherMagic, JournalReadStatus::NotAJournal},
        {"unknown version", newer, JournalReadStatus::UnknownVersion},
        {"header CRC wrong", damaged, JournalReadStatus::DamagedHeader},
    };
    for (const auto& c : cases) {
        const JournalContents contents = JournalReader::Read(c.bytes);
        EXPECT_EQ(contents.status, c.status) << c.name;
        EXPECT_TRUE(contents.records.empty()) << c.name;
    }
}

// Frames whose CRC is right but whose payload lies about itself: the reader keeps what came before and
// stops there, reserving nothing on a count's word.
TEST(JournalFormat, PayloadsThatDoNotFitTheirKindEndTheJournal) {
    std::string hugeCount;
    AppendLe(hugeCount, 7, 4);           // seed
    AppendLe(hugeCount, 0xFFFFFFFF, 4);  // objects, far more than the payload holds
    std::string longGuid;
    AppendLe(longGuid, 7, 4);
    AppendLe(longGuid, 1, 4);
    longGuid += std::string(16, '\0');
    AppendLe(longGuid, 1000, 4);  // a GUID longer than what follows
    longGuid += "AB";
    std::string unordered;
    AppendLe(unordered, 2, 4);
    AppendLe(unordered, 5, 4);
    AppendLe(unordered, 5, 4);
    std::string longName;
    AppendLe(longName, 0x7FFFFFFF, 4);
    std::string seedOnly;
    AppendLe(seedOnly, 9, 4);
    const struct {
        const char* name;
        std::uint16_t kind;
        std::string payload;
    } cases[] = {
        {"object count beyond the payload", 3, hugeCount},
        {"GUID length beyond the payload", 3, longGuid},
        {"positions not ascending", 6, unordered},
        {"file name beyond the payload", 1, longName},
        {"bytes left over", 8, "x"},
        {"a plant without its objects", 3, seedOnly},
        {"unknown kind", 99, ""},
        {"kind zero", 0, ""},
    };
    for (const auto& c : cases) {
        const std::string bytes =
            Encoded({JournalRecord::Undo()}) + Framed(c.kind, c.payload) + Framed(9, "");
        const JournalContents contents = JournalReader::Read(bytes);
        EXPECT_EQ(contents.status, JournalReadStatus::Read) << c.name;
        EXPECT_EQ(contents.damage, JournalDamage::Malformed) << c.name;
        ASSERT_EQ(contents.records.size(), 1u) << c.name;
        EXPECT_EQ(contents.recordsDropped, 2u) << c.name;
        EXPECT_EQ(contents.intactSize, Encoded({JournalRecord::Undo()}).size()) << c.name;
    }
}

}  // namespace
