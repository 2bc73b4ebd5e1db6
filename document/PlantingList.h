#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "document/NearnessIndex.h"

// The planting document: the ordered library objects the next save writes, each a position in decimal
// degrees (north and east positive) and the library object's GUID text. The copse pattern uses the same
// class with positions as offsets from its first member.
//
// Entries are held as three parallel columns. Add leaves out an object that stands within 5e-06 degrees
// of an existing entry in both coordinates (the entry already there keeps its GUID); a spatial index
// beside the columns gives that answer in constant expected time, so loading a forest stays linear.
class PlantingList {
public:
    // Appends the object unless an existing entry lies nearer than 5e-06 degrees in both coordinates.
    void Add(double latitude, double longitude, const std::string& guid);

    // Appends the object without the nearness test (rebuilding a list from kept entries).
    void AppendUnchecked(double latitude, double longitude, const std::string& guid);

    std::size_t Count() const { return latitudes.size(); }

    // Valid for 0 to Count() - 1.
    double LatitudeAt(std::size_t index) const { return latitudes[index]; }
    double LongitudeAt(std::size_t index) const { return longitudes[index]; }
    const std::string& GuidAt(std::size_t index) const { return guids[index]; }

    void Clear();

    // Makes room for `count` entries in all columns and the index.
    void Reserve(std::size_t count);

    // A hint that Add will soon be called for this position (see NearnessIndex::Prefetch).
    void PrefetchAdd(double latitude, double longitude) const { nearness.Prefetch(latitude, longitude); }

private:
    void AppendColumns(double latitude, double longitude, const std::string& guid);

    std::vector<double> latitudes;
    std::vector<double> longitudes;
    std::vector<std::string> guids;
    NearnessIndex nearness;
};
