#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/ParsePlantingText.h"
#include "document/PlantingList.h"

// The planted objects one journal record carries, in order: positions (or copse offsets) as doubles
// kept bit for bit, and GUID texts of any bytes. The GUID texts are held back to back, so that a record
// of a million objects is not a million allocations, and a record of one object only two.
class JournalObjects {
public:
    void Add(double latitude, double longitude, std::string_view guid);
    void Reserve(std::size_t count, std::size_t guidBytesTotal);

    std::size_t Count() const { return entries.size(); }
    // Valid for 0 to Count() - 1.
    double LatitudeAt(std::size_t index) const { return entries[index].latitude; }
    double LongitudeAt(std::size_t index) const { return entries[index].longitude; }
    std::string_view GuidAt(std::size_t index) const {
        const std::uint64_t start = index == 0 ? 0 : entries[index - 1].guidEnd;
        return std::string_view(guidBytes).substr(start, entries[index].guidEnd - start);
    }
    // All GUID texts together, for sizing an encoding.
    std::size_t GuidBytesTotal() const { return guidBytes.size(); }

    // Equal when every position has the same bits and every GUID the same bytes.
    bool operator==(const JournalObjects& other) const;

    // A list's entries from `first` on: what a step appended to it.
    static JournalObjects FromList(const PlantingList& list, std::size_t first = 0);
    // The objects a planting file holds, as read.
    static JournalObjects FromParsed(const std::vector<ParsedPlantingObject>& objects);

private:
    struct Entry {
        double latitude;
        double longitude;
        std::uint64_t guidEnd;  // where its GUID text ends in guidBytes
    };
    std::vector<Entry> entries;
    std::string guidBytes;
};
