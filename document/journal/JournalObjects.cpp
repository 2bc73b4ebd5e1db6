#include "document/journal/JournalObjects.h"

#include <cstring>

void JournalObjects::Add(double latitude, double longitude, std::string_view guid) {
    latitudes.push_back(latitude);
    longitudes.push_back(longitude);
    guidBytes += guid;
    guidEnds.push_back(guidBytes.size());
}

void JournalObjects::Reserve(std::size_t count, std::size_t guidBytesTotal) {
    latitudes.reserve(count);
    longitudes.reserve(count);
    guidEnds.reserve(count);
    guidBytes.reserve(guidBytesTotal);
}

bool JournalObjects::operator==(const JournalObjects& other) const {
    const auto sameBits = [](const std::vector<double>& a, const std::vector<double>& b) {
        return a.size() == b.size() &&
               (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
    };
    return sameBits(latitudes, other.latitudes) && sameBits(longitudes, other.longitudes) &&
           guidBytes == other.guidBytes && guidEnds == other.guidEnds;
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
