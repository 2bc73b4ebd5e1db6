// Power lost while a record was written, and bytes changed on the disk: the journal read back keeps
// every complete record before the damage and nothing after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/journal/JournalLookAhead.h"
#include "document/journal/JournalReader.h"
#include "tests/unit/journal/JournalSamples.h"

namespace {

struct SampleJournal {
    std::vector<JournalRecord> records = SampleRecords();
    std::string bytes;
    std::vector<std::size_t> ends;  // where each record ends

    SampleJournal() {
        bytes = JournalFormat::EncodeHeader(SampleHeader());
        for (const JournalRecord& record : records) {
            JournalFormat::AppendRecord(bytes, record);
            ends.push_back(bytes.size());
        }
    }
    std::size_t StartOf(std::size_t record) const {
        return record == 0 ? JournalFormat::headerSize : ends[record - 1];
    }
};

void ExpectRecordsBefore(const JournalContents& contents, const SampleJournal& journal, std::size_t kept,
                         const std::string& where) {
    ASSERT_EQ(contents.status, JournalReadStatus::Read) << where;
    ASSERT_EQ(contents.records.size(), kept) << where;
    for (std::size_t i = 0; i < kept; ++i) {
        ASSERT_TRUE(contents.records[i] == journal.records[i]) << where << ": record " << i;
    }
    EXPECT_EQ(contents.intactSize, journal.StartOf(kept)) << where;
}

TEST(JournalDamage, ACutAtEveryOffsetKeepsTheRecordsBeforeIt) {
    const SampleJournal journal;
    std::size_t complete = 0;
    for (std::size_t cut = JournalFormat::headerSize; cut <= journal.bytes.size(); ++cut) {
        while (complete < journal.ends.size() && journal.ends[complete] <= cut) {
            ++complete;
        }
        const std::string where = "cut at " + std::to_string(cut);
        const JournalContents contents = JournalReader::Read(journal.bytes.substr(0, cut));
        ExpectRecordsBefore(contents, journal, complete, where);
        const bool onABoundary = cut == journal.StartOf(complete);
        EXPECT_EQ(contents.damage, onABoundary ? JournalDamage::None : JournalDamage::CutShort) << where;
        EXPECT_EQ(contents.recordsDropped, onABoundary ? 0u : 1u) << where;
        EXPECT_EQ(contents.bytesDropped, cut - journal.StartOf(complete)) << where;
    }
}

// Every byte of every record in turn. A changed length misplaces the frames after it, so only then
// may the count of dropped records be a guess.
TEST(JournalDamage, AChangedByteInAnyRecordEndsTheJournalThere) {
    const SampleJournal journal;
    for (std::size_t record = 0; record < journal.records.size(); ++record) {
        const std::size_t start = journal.StartOf(record);
        for (std::size_t offset = 0; offset < journal.ends[record] - start; ++offset) {
            std::string damaged = journal.bytes;
            damaged[start + offset] = static_cast<char>(damaged[start + offset] ^ 0x5A);
            const std::string where = "record " + std::to_string(record) + ", byte " + std::to_string(offset);
            const JournalContents contents = JournalReader::Read(damaged);
            ExpectRecordsBefore(contents, journal, record, where);
            EXPECT_NE(contents.damage, JournalDamage::None) << where;
            EXPECT_EQ(contents.bytesDropped, journal.bytes.size() - start) << where;
            const bool lengthChanged = offset < 4;
            if (!lengthChanged) {
                EXPECT_EQ(contents.recordsDropped, journal.records.size() - record) << where;
            } else {
                EXPECT_GE(contents.recordsDropped, 1u) << where;
            }
        }
    }
}

// Recovery reads a journal twice ahead of its walk, by the lengths alone and without the CRCs: to count
// the objects it makes room for, and to hint the nearness index at the presses a few records ahead. Cut
// anywhere (into bytes allocated to the cut, so that a read beyond them is caught), both read whole
// records only: the count is that of the whole records' objects (copse loads aside), and each hint the
// first object of the record that far ahead.
TEST(JournalDamage, TheReadsAheadOfAWalkTakeWholeRecordsOfACutJournalOnly) {
    const SampleJournal journal;
    for (std::size_t cut = 0; cut <= journal.bytes.size(); ++cut) {
        const std::vector<char> cutBytes(journal.bytes.begin(),
                                         journal.bytes.begin() + static_cast<long>(cut));
        const std::string_view bytes(cutBytes.data(), cutBytes.size());
        std::size_t whole = 0;
        std::size_t objects = 0;
        for (; whole < journal.records.size() && journal.ends[whole] <= cut; ++whole) {
            const JournalRecord& record = journal.records[whole];
            objects += record.kind == JournalRecordKind::CopseLoad ? 0 : record.objects.Count();
        }
        const std::string where = "cut at " + std::to_string(cut);
        EXPECT_EQ(JournalReader::PlantedObjectsIn(bytes), objects) << where;
        for (const std::size_t distance : {0u, 1u, 3u}) {
            JournalLookAhead ahead(bytes, distance);
            for (std::size_t walked = 0; walked < journal.records.size(); ++walked) {
                const std::size_t hinted = walked + distance;
                const bool expected = hinted < whole && journal.records[hinted].objects.Count() > 0;
                double latitude = 0.0;
                double longitude = 0.0;
                ASSERT_EQ(ahead.Next(latitude, longitude), expected) << where << ", record " << hinted;
                if (expected) {
                    EXPECT_EQ(latitude, journal.records[hinted].objects.LatitudeAt(0)) << where;
                    EXPECT_EQ(longitude, journal.records[hinted].objects.LongitudeAt(0)) << where;
                }
            }
        }
    }
}

}  // namespace
