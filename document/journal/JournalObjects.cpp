#include "document/journal/JournalObjects.h"

#include <algorithm>
#include <cstring>

void JournalObjects::Add(double latitude, double longitude, std::string_view guid) {
    if (!store || store.use_count() > 1 || first != 0 || count != store->entries.size()) {
        OwnStore(count + 1);
    }
    store->Add(latitude, longitude, guid);
    ++count;
}

void JournalObjects::Reserve(std::size_t entries, std::size_t guidBytesTotal) {
    OwnStore(entries, guidBytesTotal);
}

void JournalObjects::OwnStore(std::size_t roomFor, std::size_t guidRoomFor) {
    if (store && store.use_count() == 1 && first == 0 && count == store->entries.size()) {
        store->entries.reserve(roomFor);
        store->guidBytes.reserve(guidRoomFor);
        return;
    }
    auto own = std::make_shared<Store>();
    own->entries.reserve(std::max(roomFor, count));
    own->guidBytes.reserve(std::max(guidRoomFor, GuidBytesTotal()));
    for (std::size_t i = 0; i < count; ++i) {
        own->Add(LatitudeAt(i), LongitudeAt(i), GuidAt(i));
    }
    store = std::move(own);
    first = 0;
}

std::size_t JournalObjects::GuidBytesTotal() const {
    return count == 0 ? 0 : store->entries[first + count - 1].guidEnd - store->GuidStart(first);
}

bool JournalObjects::operator==(const JournalObjects& other) const {
    if (count != other.count) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const double mine[2] = {LatitudeAt(i), LongitudeAt(i)};
        const double theirs[2] = {other.LatitudeAt(i), other.LongitudeAt(i)};
        if (std::memcmp(mine, theirs, sizeof mine) != 0 || GuidAt(i) != other.GuidAt(i)) {
            return false;
        }
    }
    return true;
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
