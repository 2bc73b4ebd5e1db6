#include "document/PlantingList.h"

void PlantingList::Add(double latitude, double longitude, const std::string& guid) {
    if (nearness.HasNear(latitude, longitude, latitudes, longitudes)) {
        return;
    }
    AppendUnchecked(latitude, longitude, guid);
}

void PlantingList::AppendUnchecked(double latitude, double longitude, const std::string& guid) {
    const auto position = static_cast<std::uint32_t>(latitudes.size());
    latitudes.push_back(latitude);
    longitudes.push_back(longitude);
    guids.push_back(guid);
    nearness.Insert(latitude, longitude, position);
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
