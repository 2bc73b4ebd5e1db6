#include "document/journal/JournalObjects.h"

#include <cstring>

void JournalObjects::Add(double latitude, double longitude, std::string_view guid) {
    guidBytes += guid;
    entries.push_back({latitude, longitude, guidBytes.size()});
}

void JournalObjects::Reserve(std::size_t count, std::size_t guidBytesTotal) {
    entries.reserve(count);
    guidBytes.reserve(guidBytesTotal);
}

bool JournalObjects::operator==(const JournalObjects& other) const {
    return entries.size() == other.entries.size() && guidBytes == other.guidBytes &&
           (entries.empty() ||
            std::memcmp(entries.data(), other.entries.data(), entries.size() * sizeof(Entry)) == 0);
}

JournalObjects JournalObjects::FromList(const PlantingList& list, std::size_t first) {
    JournalObjects objects;
    if (first >= list.Count()) {
        return objects;
    }
    objects.Reserve(list.Count() - first, 0);
    for (std::size_t i = first; i < list.Count(); ++i) {
        objects.Add(list.LatitudeAt(i), list.LongitudeAt(i), list.GuidViewAt(i));
    }
    return objects;
}

JournalObjects JournalObjects::FromParsed(const std::vector<ParsedPlantingObject>& parsed) {
    JournalObjects objects;
    std::size_t guidBytesTotal = 0;
    for (const ParsedPlantingObject& object : parsed) {
        guidBytesTotal += object.name.size();
    }
    objects.Reserve(parsed.size(), guidBytesTotal);
    for (const ParsedPlantingObject& object : parsed) {
        objects.Add(object.latitude, object.longitude, object.name);
    }
    return objects;
}
