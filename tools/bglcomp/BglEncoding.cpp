#include "tools/bglcomp/BglEncoding.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "tools/bglcomp/HeaderQmids.h"

namespace Bglcomp {

namespace {

constexpr std::uint32_t bglMagic = 0x19920201u;
constexpr std::uint32_t bglSecondMagic = 0x08051803u;
constexpr std::uint32_t sceneryObjectSection = 0x25u;
constexpr std::uint32_t subsectionEntryKind = 1u;
constexpr std::size_t sectionEntrySize = 20;
constexpr std::size_t subsectionEntrySize = 16;
constexpr std::uint16_t libraryObjectRecordId = 0x0002;

// Writes little-endian values into the file image, which is sized beforehand.
class ByteWriter {
public:
    explicit ByteWriter(std::uint8_t* at) : next_(at) {}

    void U16(std::uint16_t value) {
        next_[0] = static_cast<std::uint8_t>(value);
        next_[1] = static_cast<std::uint8_t>(value >> 8);
        next_ += 2;
    }
    void U32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            next_[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        next_ += 4;
    }
    void S32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void F32(float value) { U32(std::bit_cast<std::uint32_t>(value)); }
    void Bytes(const GuidBytes& guid) {
        std::memcpy(next_, guid.data(), guid.size());
        next_ += guid.size();
    }

private:
    std::uint8_t* next_;
};

// One occupied cell: its QMID, and which run of the cell-ordered records it holds.
struct Subsection {
    std::uint32_t qmid = 0;
    std::size_t first = 0;
    std::size_t count = 0;
};

// The occupied cells with their object counts, found in one pass over the records, and then where
// each cell's next record goes. A region holds a few thousand cells at most, so this small
// open-addressing table stays in cache, where sorting one key per object or searching the cells for
// each record would not.
class CellTable {
public:
    CellTable() : entries_(16) {}

    void Count(std::uint32_t qmid) {
        Entry& entry = Find(qmid);
        entry.qmid = qmid;
        if (entry.count++ == 0 && ++used_ * 2 > entries_.size()) {
            Grow();
        }
    }

    // The occupied cells in QMID order, each with its run of records.
    std::vector<Subsection> Subsections() const {
        std::vector<Subsection> subsections;
        subsections.reserve(used_);
        for (const Entry& entry : entries_) {
            if (entry.count != 0) {
                subsections.push_back(Subsection{entry.qmid, 0, entry.count});
            }
        }
        std::sort(subsections.begin(), subsections.end(),
                  [](const Subsection& a, const Subsection& b) { return a.qmid < b.qmid; });
        std::size_t first = 0;
        for (Subsection& subsection : subsections) {
            subsection.first = first;
            first += subsection.count;
        }
        return subsections;
    }

    // Where the records of each cell go next: the first slot of its run.
    void StartRuns(const std::vector<Subsection>& subsections) {
        for (const Subsection& subsection : subsections) {
            Find(subsection.qmid).next = subsection.first;
        }
    }

    // The slot of the next record in the cell (one that was counted).
    std::size_t TakeSlot(std::uint32_t qmid) { return Find(qmid).next++; }

private:
    struct Entry {
        std::uint32_t qmid = 0;
        std::size_t count = 0;  // 0: the entry is free
        std::size_t next = 0;
    };

    // The cell's entry, or the free entry where it belongs.
    Entry& Find(std::uint32_t qmid) {
        const std::size_t mask = entries_.size() - 1;
        std::size_t i = static_cast<std::size_t>((qmid * std::uint64_t{0x9E3779B97F4A7C15u}) >> 32) & mask;
        while (entries_[i].count != 0 && entries_[i].qmid != qmid) {
            i = (i + 1) & mask;
        }
        return entries_[i];
    }

    void Grow() {
        std::vector<Entry> old(entries_.size() * 2);
        old.swap(entries_);
        for (const Entry& entry : old) {
            if (entry.count != 0) {
                Find(entry.qmid) = entry;
            }
        }
    }

    std::vector<Entry> entries_;  // a power of two in size, at most half used
    std::size_t used_ = 0;
};

void WriteHeader(ByteWriter& out, std::uint64_t fileTime, std::uint32_t sectionCount,
                 const std::vector<Subsection>& subsections) {
    std::vector<std::uint32_t> qmids;
    qmids.reserve(subsections.size());
    for (const Subsection& subsection : subsections) {
        qmids.push_back(subsection.qmid);
    }
    out.U32(bglMagic);
    out.U32(static_cast<std::uint32_t>(bglHeaderSize));
    out.U32(static_cast<std::uint32_t>(fileTime));
    out.U32(static_cast<std::uint32_t>(fileTime >> 32));
    out.U32(bglSecondMagic);
    out.U32(sectionCount);
    for (const std::uint32_t qmid : HeaderQmids(qmids)) {
        out.U32(qmid);
    }
}

void WriteRecord(ByteWriter& out, const LibraryObjectRecord& record) {
    out.U16(libraryObjectRecordId);
    out.U16(static_cast<std::uint16_t>(libraryObjectRecordSize));
    out.U32(record.lonRaw);
    out.U32(record.latRaw);
    out.S32(record.altitudeMm);
    out.U16(record.flags);
    out.U16(record.pitch);
    out.U16(record.bank);
    out.U16(record.heading);
    out.U16(record.imageComplexity);
    out.U16(0);
    out.Bytes(record.guid);
    out.F32(record.scale);
}

}  // namespace

EncodedBgl EncodeBgl(std::span<const LibraryObjectRecord> records, std::uint64_t fileTime) {
    EncodedBgl result;
    CellTable cells;
    for (const LibraryObjectRecord& record : records) {
        cells.Count(record.cellQmid);
    }
    const std::vector<Subsection> subsections = cells.Subsections();
    const std::uint32_t sectionCount = records.empty() ? 0u : 1u;
    const std::size_t tableOffset = bglHeaderSize + sectionCount * sectionEntrySize;
    const std::size_t recordsOffset = tableOffset + subsections.size() * subsectionEntrySize;
    const std::size_t fileSize = recordsOffset + records.size() * libraryObjectRecordSize;
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        result.problem = "too many objects for one .bgl file (its offsets are 32 bits)";
        return result;
    }

    result.bytes.resize(fileSize);
    ByteWriter out(result.bytes.data());
    WriteHeader(out, fileTime, sectionCount, subsections);
    if (sectionCount != 0) {
        out.U32(sceneryObjectSection);
        out.U32(subsectionEntryKind);
        out.U32(static_cast<std::uint32_t>(subsections.size()));
        out.U32(static_cast<std::uint32_t>(tableOffset));
        out.U32(static_cast<std::uint32_t>(subsections.size() * subsectionEntrySize));
    }
    for (const Subsection& subsection : subsections) {
        out.U32(subsection.qmid);
        out.U32(static_cast<std::uint32_t>(subsection.count));
        out.U32(static_cast<std::uint32_t>(recordsOffset + subsection.first * libraryObjectRecordSize));
        out.U32(static_cast<std::uint32_t>(subsection.count * libraryObjectRecordSize));
    }
    cells.StartRuns(subsections);
    // Each record goes straight to its slot in its cell's run, in the order the objects came.
    for (const LibraryObjectRecord& record : records) {
        const std::size_t slot = cells.TakeSlot(record.cellQmid);
        ByteWriter at(result.bytes.data() + recordsOffset + slot * libraryObjectRecordSize);
        WriteRecord(at, record);
    }
    result.cellCount = subsections.size();
    return result;
}

}  // namespace Bglcomp
