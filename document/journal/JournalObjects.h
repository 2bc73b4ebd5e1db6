#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/ParsePlantingText.h"
#include "document/PlantingList.h"

// The planted objects one journal record carries, in order: positions (or copse offsets) as doubles
// kept bit for bit, and GUID texts of any bytes. The GUID texts are held back to back, so that a record
// of a million objects is not a million allocations.
//
// The entries live in a store that copies share: a journal's records, as read, are runs of one store
// that an Arena filled, so that reading a million records makes no allocation per record. Adding to
// objects whose store is shared first gives them a store of their own (copy on write).
class JournalObjects {
public:
    class Arena;

    void Add(double latitude, double longitude, std::string_view guid);
    void Reserve(std::size_t count, std::size_t guidBytesTotal);

    std::size_t Count() const { return count; }
    // Valid for 0 to Count() - 1.
    double LatitudeAt(std::size_t index) const { return store->entries[first + index].latitude; }
    double LongitudeAt(std::size_t index) const { return store->entries[first + index].longitude; }
    std::string_view GuidAt(std::size_t index) const { return store->GuidAt(first + index); }
    // All GUID texts together, for sizing an encoding.
    std::size_t GuidBytesTotal() const;

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
    struct Store {
        std::vector<Entry> entries;
        std::string guidBytes;

        std::uint64_t GuidStart(std::size_t index) const {
            return index == 0 ? 0 : entries[index - 1].guidEnd;
        }
        std::string_view GuidAt(std::size_t index) const {
            const std::uint64_t start = GuidStart(index);
            return std::string_view(guidBytes).substr(start, entries[index].guidEnd - start);
        }
        void Add(double latitude, double longitude, std::string_view guid) {
            guidBytes += guid;
            entries.push_back({latitude, longitude, guidBytes.size()});
        }
    };

    // Gives these objects a store that holds exactly their entries and that no copy shares.
    void OwnStore(std::size_t roomFor = 0, std::size_t guidRoomFor = 0);

    std::shared_ptr<Store> store;
    std::size_t first = 0;  // this object's entries are store->entries[first, first + count)
    std::size_t count = 0;
};

// Fills one store for many JournalObjects: each From(Count()) taken before adding a record's objects
// views exactly those objects once they are added, without copying them.
class JournalObjects::Arena {
public:
    Arena() : store(std::make_shared<Store>()) {}

    void Add(double latitude, double longitude, std::string_view guid) {
        store->Add(latitude, longitude, guid);
    }
    std::size_t Count() const { return store->entries.size(); }
    // The entries from `start` to the end, sharing the arena's store.
    JournalObjects From(std::size_t start) const {
        JournalObjects objects;
        objects.store = store;
        objects.first = start;
        objects.count = Count() - start;
        return objects;
    }

private:
    std::shared_ptr<Store> store;
};
