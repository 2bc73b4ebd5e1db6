#include "document/NearnessIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// Cells are 2^-14 degrees (about 6.8 m of latitude) wide: big enough that a query rarely visits more
// than two cells, small enough that a dense forest puts only a few trees in each.
constexpr double cellsPerDegree = 16384.0;
// Beyond this magnitude coordinates are keyed by their exact value instead of their cell.
constexpr double gridLimit = 70368744177664.0;  // 2^46
// The threshold in cell units, widened a little so that the rounding of |a - b| in the nearness rule
// can never make a pair near that lies across a border the query does not visit.
constexpr double reachInCells = NearnessIndex::threshold * cellsPerDegree * (1.0 + 1e-12);

bool Near(double a, double b) {
    return std::fabs(a - b) < NearnessIndex::threshold;
}

}  // namespace

bool NearnessIndex::Indexable(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude);
}

NearnessIndex::AxisCells NearnessIndex::CellsToVisit(double coordinate) {
    if (std::fabs(coordinate) >= gridLimit) {
        // Bit patterns of doubles this large lie outside the range of grid cells, so keys never clash.
        std::int64_t bits = 0;
        std::memcpy(&bits, &coordinate, sizeof bits);
        return {{bits, 0}, 1};
    }
    const double scaled = coordinate * cellsPerDegree;                     // exact: a power-of-two scaling
    double cell = static_cast<double>(static_cast<std::int64_t>(scaled));  // |scaled| < 2^61: exact
    if (cell > scaled) {
        cell -= 1.0;  // truncation went up: floor of a negative non-integer
    }
    const double fromLowerBorder = scaled - cell;  // exact
    // At most one neighbour: the threshold reaches less than half a cell. Chosen without branches,
    // which positions spread at random would mispredict.
    const int lower = fromLowerBorder < reachInCells;
    const int upper = 1.0 - fromLowerBorder < reachInCells;
    const auto own = static_cast<std::int64_t>(cell);
    return {{own, own + upper - lower}, 1 + lower + upper};
}

std::uint64_t NearnessIndex::CellDigest(std::int64_t latitudeKey, std::int64_t longitudeKey) {
    std::uint64_t h = static_cast<std::uint64_t>(latitudeKey) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint64_t>(longitudeKey) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
    h ^= h >> 31;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return h;
}

std::uint64_t NearnessIndex::DigestOf(double latitude, double longitude) {
    return CellDigest(CellsToVisit(latitude).keys[0], CellsToVisit(longitude).keys[0]);
}

std::size_t NearnessIndex::SlotFor(std::uint64_t cellDigest) const {
    const std::size_t mask = cellSlots.size() - 1;
    std::size_t i = cellDigest & mask;
    while (cellSlots[i].head != none && cellSlots[i].cellDigest != cellDigest) {
        i = (i + 1) & mask;
    }
    return i;
}

bool NearnessIndex::ChainHasNear(std::uint32_t head, double latitude, double longitude,
                                 const std::vector<double>& latitudes,
                                 const std::vector<double>& longitudes) const {
    for (std::uint32_t i = head; i != none; i = nextInCell[i]) {
        if (Near(latitudes[i], latitude) && Near(longitudes[i], longitude)) {
            return true;
        }
    }
    return false;
}

bool NearnessIndex::InsertUnlessNear(double latitude, double longitude, std::uint32_t index,
                                     const std::vector<double>& latitudes,
                                     const std::vector<double>& longitudes) {
    if (!Indexable(latitude, longitude)) {
        Insert(latitude, longitude, index);
        return true;
    }
    if ((usedSlots + 1) * 2 > cellSlots.size()) {
        Grow();
    }
    const AxisCells latitudeCells = CellsToVisit(latitude);
    const AxisCells longitudeCells = CellsToVisit(longitude);
    const std::uint64_t ownDigest = CellDigest(latitudeCells.keys[0], longitudeCells.keys[0]);
    const std::size_t own = SlotFor(ownDigest);
    if (ChainHasNear(cellSlots[own].head, latitude, longitude, latitudes, longitudes)) {
        return false;
    }
    for (int a = 0; a < latitudeCells.count; ++a) {
        for (int b = 0; b < longitudeCells.count; ++b) {
            if ((a != 0 || b != 0) &&
                ChainHasNear(
                    cellSlots[SlotFor(CellDigest(latitudeCells.keys[a], longitudeCells.keys[b]))].head,
                    latitude, longitude, latitudes, longitudes)) {
                return false;
            }
        }
    }
    Link(own, ownDigest, index);
    return true;
}

void NearnessIndex::Prefetch(double latitude, double longitude) const {
    if (cellSlots.empty() || !Indexable(latitude, longitude)) {
        return;
    }
#if defined(__GNUC__)
    // The neighbouring cells the query will visit too: about one query in three reaches across a border,
    // and each of those cells is a miss of its own.
    const std::size_t mask = cellSlots.size() - 1;
    const AxisCells latitudeCells = CellsToVisit(latitude);
    const AxisCells longitudeCells = CellsToVisit(longitude);
    for (int a = 0; a < latitudeCells.count; ++a) {
        for (int b = 0; b < longitudeCells.count; ++b) {
            __builtin_prefetch(&cellSlots[CellDigest(latitudeCells.keys[a], longitudeCells.keys[b]) & mask]);
        }
    }
#endif
}

void NearnessIndex::Insert(double latitude, double longitude, std::uint32_t index) {
    if (!Indexable(latitude, longitude)) {
        ReserveChainEntry(index);
        return;
    }
    if ((usedSlots + 1) * 2 > cellSlots.size()) {
        Grow();
    }
    const std::uint64_t digest = DigestOf(latitude, longitude);
    Link(SlotFor(digest), digest, index);
}

void NearnessIndex::RemoveLast(std::size_t count, const std::vector<double>& latitudes,
                               const std::vector<double>& longitudes) {
    count = std::min(count, nextInCell.size());
    const std::size_t kept = nextInCell.size() - count;
    // One entry's slot is a cache miss, while the whole table reads at memory speed: many entries are
    // cheaper to drop in one pass over the table, and where few stay, to record those anew.
    constexpr std::size_t slotsPerEntry = 32;
    if (count * slotsPerEntry <= cellSlots.size()) {
        for (; count > 0; --count) {
            const auto index = static_cast<std::uint32_t>(nextInCell.size() - 1);
            if (Indexable(latitudes[index], longitudes[index])) {
                Unlink(index, latitudes[index], longitudes[index]);
            }
            nextInCell.pop_back();
        }
    } else if (SlotCountFor(kept) * 8 > cellSlots.size() || !RecordAnew(kept, latitudes, longitudes)) {
        KeepFirst(kept);
    }
}

bool NearnessIndex::RecordAnew(std::size_t count, const std::vector<double>& latitudes,
                               const std::vector<double>& longitudes) {
    try {
        NearnessIndex fresh;
        fresh.Reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            fresh.Insert(latitudes[i], longitudes[i], static_cast<std::uint32_t>(i));
        }
        *this = std::move(fresh);
        return true;
    } catch (const std::bad_alloc&) {
        return false;  // no room for a second index: the entries go from this one
    }
}

std::size_t NearnessIndex::SlotCountFor(std::size_t cells) {
    std::size_t slotCount = 64;
    while (slotCount < (cells + 1) * 2) {
        slotCount *= 2;
    }
    return slotCount;
}

// Chains run from a cell's most recent entry back, so the entries to drop lead every chain. A cell left
// without entries gives its slot back as a single removal does, and the slot is looked at again for
// the cell that may have moved into it.
void NearnessIndex::KeepFirst(std::size_t kept) {
    constexpr std::size_t lookAhead = 16;  // chain links requested early, so that their misses overlap
    for (std::size_t slot = 0; slot < cellSlots.size(); ++slot) {
#if defined(__GNUC__)
        const std::uint32_t ahead = cellSlots[(slot + lookAhead) & (cellSlots.size() - 1)].head;
        if (ahead != none && ahead >= kept) {
            __builtin_prefetch(&nextInCell[ahead]);
        }
#endif
        while (cellSlots[slot].head != none) {
            std::uint32_t& head = cellSlots[slot].head;
            while (head != none && head >= kept) {
                head = nextInCell[head];
            }
            if (head != none) {
                break;
            }
            FreeSlot(slot);
            --usedSlots;
        }
    }
    nextInCell.resize(kept);
}

// The entry is the most recent of its cell, so it heads the cell's chain; a cell left without entries
// gives its slot back.
void NearnessIndex::Unlink(std::uint32_t index, double latitude, double longitude) {
    const std::size_t slot = SlotFor(DigestOf(latitude, longitude));
    if (cellSlots[slot].head != index) {
        return;  // not recorded where its position says: nothing of it to take back
    }
    cellSlots[slot].head = nextInCell[index];
    if (cellSlots[slot].head == none) {
        FreeSlot(slot);
        --usedSlots;
    }
}

// Empties a slot of the open-addressing table and moves back every later slot of its run that could no
// longer be reached from its home slot across the gap, so that every cell is still found by probing.
void NearnessIndex::FreeSlot(std::size_t slot) {
    const std::size_t mask = cellSlots.size() - 1;
    cellSlots[slot].head = none;
    for (std::size_t next = (slot + 1) & mask; cellSlots[next].head != none; next = (next + 1) & mask) {
        const std::size_t home = cellSlots[next].cellDigest & mask;
        // Whether home lies cyclically in (slot, next]: then the slot at `next` is reached without the gap.
        const bool reachable = slot <= next ? (slot < home && home <= next) : (slot < home || home <= next);
        if (!reachable) {
            cellSlots[slot] = cellSlots[next];
            cellSlots[next].head = none;
            slot = next;
        }
    }
}

void NearnessIndex::Link(std::size_t slot, std::uint64_t cellDigest, std::uint32_t index) {
    ReserveChainEntry(index);
    Slot& cell = cellSlots[slot];
    if (cell.head == none) {
        cell.cellDigest = cellDigest;
        ++usedSlots;
    }
    nextInCell[index] = cell.head;
    cell.head = index;
}

void NearnessIndex::ReserveChainEntry(std::uint32_t index) {
    while (nextInCell.size() <= index) {
        nextInCell.push_back(none);
    }
}

void NearnessIndex::Grow() {
    Rehash(cellSlots.empty() ? 64 : cellSlots.size() * 2);
}

void NearnessIndex::Reserve(std::size_t count) {
    nextInCell.reserve(count);
    std::size_t wanted = 64;
    while (wanted < count * 2) {
        wanted *= 2;
    }
    if (wanted > cellSlots.size()) {
        Rehash(wanted);
    }
}

void NearnessIndex::Rehash(std::size_t slotCount) {
    // The new table first: where it cannot be had, the index stays as it was.
    std::vector<Slot> old(slotCount, Slot{0, none});
    old.swap(cellSlots);
    for (const Slot& slot : old) {
        if (slot.head != none) {
            cellSlots[SlotFor(slot.cellDigest)] = slot;
        }
    }
}

void NearnessIndex::Clear() {
    cellSlots.clear();
    nextInCell.clear();
    usedSlots = 0;
}
