#include "document/PlantingList.h"

void PlantingList::Add(double latitude, double longitude, const std::string& guid) {
    const auto position = static_cast<std::uint32_t>(latitudes.size());
    if (nearness.InsertUnlessNear(latitude, longitude, position, latitudes, longitudes)) {
        AppendColumns(latitude, longitude, guid);
    }
}

void PlantingList::AppendUnchecked(double latitude, double longitude, const std::string& guid) {
    nearness.Insert(latitude, longitude, static_cast<std::uint32_t>(latitudes.size()));
    AppendColumns(latitude, longitude, guid);
}

void PlantingList::AppendColumns(double latitude, double longitude, const std::string& guid) {
    latitudes.push_back(latitude);
    longitudes.push_back(longitude);
    guids.push_back(guid);
}

void PlantingList::Clear() {
    latitudes.clear();
    longitudes.clear();
    guids.clear();
    nearness.Clear();
}

void PlantingList::Reserve(std::size_t count) {
    latitudes.reserve(count);
    longitudes.reserve(count);
    guids.reserve(count);
    nearness.Reserve(count);
}
