#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/NearnessIndex.h"

// The planting document: the ordered library objects the next save writes, each a position in decimal
// degrees (north and east positive) and the library object's GUID text. The copse pattern uses the same
// class with positions as offsets from its first member.
//
// Entries are held as three parallel columns; the GUID column keeps its texts back to back in one
// buffer, so that a million entries are not a million allocations. Add leaves out an object that stands
// within 5e-06 degrees of an existing entry in both coordinates (the entry already there keeps its
// GUID); a spatial index beside the columns gives that answer in constant expected time, so loading a
// forest stays linear. The index is brought up to date by Add itself: entries appended without the
// test, or put back in the middle, are recorded by the next Add, so that a list that is only kept (an
// undo step's entries) never pays for an index.
class PlantingList {
public:
    // Appends the object unless an existing entry lies nearer than 5e-06 degrees in both coordinates.
    void Add(double latitude, double longitude, std::string_view guid);

    // Appends the object without the nearness test (rebuilding a list from kept entries).
    void AppendUnchecked(double latitude, double longitude, std::string_view guid);
    // Appends every entry of `entries` in order, without the nearness test.
    void AppendList(const PlantingList& entries);

    std::size_t Count() const { return latitudes.size(); }

    // Valid for 0 to Count() - 1.
    double LatitudeAt(std::size_t index) const { return latitudes[index]; }
    double LongitudeAt(std::size_t index) const { return longitudes[index]; }
    std::string GuidAt(std::size_t index) const { return std::string(GuidViewAt(index)); }
    // The same text without a copy; valid until the list next changes.
    std::string_view GuidViewAt(std::size_t index) const {
        const std::uint64_t start = index == 0 ? 0 : guidEnds[index - 1];
        return std::string_view(guidBytes).substr(start, guidEnds[index] - start);
    }

    // The entries from `first` to the end, as a list of their own.
    PlantingList Tail(std::size_t first) const;
    // Drops the last `count` entries (all, where there are fewer).
    void RemoveLast(std::size_t count);
    // Takes out the entries at `places` (ascending positions; others are passed over) and returns them
    // in list order.
    PlantingList Extract(const std::vector<std::size_t>& places);
    // Puts `entries` back so that entry k stands at position places[k] of the result, the list's own
    // entries keeping their order around them: the inverse of Extract. From the first entry whose place
    // is out of order or beyond the end, the rest go to the end.
    void InsertAt(const PlantingList& entries, const std::vector<std::size_t>& places);

    void Clear();

    // Makes room for `count` entries in all columns and the index.
    void Reserve(std::size_t count);

    // A hint that Add will soon be called for this position (see NearnessIndex::Prefetch).
    void PrefetchAdd(double latitude, double longitude) const { nearness.Prefetch(latitude, longitude); }

private:
    void AppendColumns(double latitude, double longitude, std::string_view guid);
    void TruncateColumns(std::size_t count);
    // Records in the index the entries it does not hold yet, in order.
    void UpdateIndex();
    void ForgetIndex();

    std::vector<double> latitudes;
    std::vector<double> longitudes;
    std::string guidBytes;                // every entry's GUID text, in entry order
    std::vector<std::uint64_t> guidEnds;  // per entry: where its text ends in guidBytes
    NearnessIndex nearness;               // entries 0 to nearness.Recorded() - 1
};
