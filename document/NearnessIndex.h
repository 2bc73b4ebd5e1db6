#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A spatial index beside a planting list's columns that answers "does an entry lie near this
// position?" in expected constant time, with exactly the answer of a linear scan under the rule
// |lat_i - lat| < threshold and |lon_i - lon| < threshold.
//
// Positions are grouped into grid cells 2^-14 degrees wide. The scaling by a power of two is exact, so
// the cell of a coordinate and its distance to the cell's borders are computed without rounding, and a
// query visits a neighbouring cell only where the threshold reaches across that border. Coordinates too
// large for the grid (beyond 2^46 degrees) are keyed by their exact value: at that magnitude two doubles
// closer than the threshold are equal. Non-finite coordinates are never near anything and are not indexed.
class NearnessIndex {
public:
    static constexpr double threshold = 5e-06;

    // Where no entry of the columns lies near (latitude, longitude), records it as entry `index` (the
    // caller appends it to the columns next) and returns true; otherwise changes nothing and returns
    // false. The columns hold the entries recorded so far, in order.
    bool InsertUnlessNear(double latitude, double longitude, std::uint32_t index,
                          const std::vector<double>& latitudes, const std::vector<double>& longitudes);

    // Records entry `index` without the nearness test.
    void Insert(double latitude, double longitude, std::uint32_t index);

    // How many entries are recorded: entries 0 to Recorded() - 1.
    std::size_t Recorded() const { return nextInCell.size(); }

    // Forgets the `count` entries recorded last, which the columns still hold, as if they had never been
    // recorded. Each is its cell's most recent entry when its turn comes, so each costs constant time;
    // many go in one pass over the table, or, where few stay, those are recorded anew.
    void RemoveLast(std::size_t count, const std::vector<double>& latitudes,
                    const std::vector<double>& longitudes);

    void Clear();

    // A hint before a batch of inserts: starts loading the table's slots that a query for this position
    // reads (its own cell's and those of the neighbouring cells it visits), so that queries in a batch
    // overlap their cache misses.
    void Prefetch(double latitude, double longitude) const;

    // Makes room for `count` entries without rehashing.
    void Reserve(std::size_t count);

private:
    // A cell's slot holds a 64-bit digest of its two keys, not the keys themselves: were two cells
    // ever to share a digest, their chains would merge, which costs time but never changes an answer,
    // since every candidate is checked against the nearness rule itself.
    struct Slot {
        std::uint64_t cellDigest;
        std::uint32_t head;  // most recent entry of the cell; chains continue in nextInCell
    };
    struct AxisCells {
        std::int64_t keys[2];
        int count;
    };

    static constexpr std::uint32_t none = 0xFFFFFFFFu;

    static bool Indexable(double latitude, double longitude);
    // The coordinate's own cell first, then the neighbouring cell the threshold reaches into, if any.
    static AxisCells CellsToVisit(double coordinate);
    static std::uint64_t CellDigest(std::int64_t latitudeKey, std::int64_t longitudeKey);
    std::size_t SlotFor(std::uint64_t cellDigest) const;
    bool ChainHasNear(std::uint32_t head, double latitude, double longitude,
                      const std::vector<double>& latitudes, const std::vector<double>& longitudes) const;
    static std::uint64_t DigestOf(double latitude, double longitude);
    void Link(std::size_t slot, std::uint64_t cellDigest, std::uint32_t index);
    void Unlink(std::uint32_t index, double latitude, double longitude);
    void FreeSlot(std::size_t slot);
    void KeepFirst(std::size_t kept);
    // Replaces the index by one of the first `count` entries; false where there was no room for it.
    bool RecordAnew(std::size_t count, const std::vector<double>& latitudes,
                    const std::vector<double>& longitudes);
    static std::size_t SlotCountFor(std::size_t cells);
    void ReserveChainEntry(std::uint32_t index);
    void Grow();
    void Rehash(std::size_t slotCount);

    std::vector<Slot> cellSlots;            // open addressing, power-of-two size
    std::vector<std::uint32_t> nextInCell;  // per entry: the previous entry of its cell, or none
    std::size_t usedSlots = 0;
};
