#include "document/PlantingList.h"

void PlantingList::Add(double latitude, double longitude, std::string_view guid) {
    const auto position = static_cast<std::uint32_t>(latitudes.size());
    if (nearness.InsertUnlessNear(latitude, longitude, position, latitudes, longitudes)) {
        AppendColumns(latitude, longitude, guid);
    }
}

void PlantingList::AppendUnchecked(double latitude, double longitude, std::string_view guid) {
    nearness.Insert(latitude, longitude, static_cast<std::uint32_t>(latitudes.size()));
    AppendColumns(latitude, longitude, guid);
}

void PlantingList::AppendColumns(double latitude, double longitude, std::string_view guid) {
    latitudes.push_back(latitude);
    longitudes.push_back(longitude);
    guidBytes += guid;
    guidEnds.push_back(guidBytes.size());
}

void PlantingList::Clear() {
    latitudes.clear();
    longitudes.clear();
    guidBytes.clear();
    guidEnds.clear();
    nearness.Clear();
}

void PlantingList::Reserve(std::size_t count) {
    latitudes.reserve(count);
    longitudes.reserve(count);
    guidEnds.reserve(count);
    if (count > Count()) {
        constexpr std::size_t guidLength = 32;  // a library object's GUID
        guidBytes.reserve(guidBytes.size() + (count - Count()) * guidLength);
    }
    nearness.Reserve(count);
}
