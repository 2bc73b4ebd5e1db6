#include "document/AddPlantingObjects.h"

void AddPlantingObjects(PlantingList& list, const std::vector<ParsedPlantingObject>& objects) {
    // Large files: room for all at once, and the index's memory requested a few objects ahead. Small
    // additions (a Plant press) let the columns grow by doubling: reserving the exact size at every
    // press would copy the whole list each time.
    constexpr std::size_t lookAhead = 8;
    if (objects.size() > list.Count() / 2) {
        list.Reserve(list.Count() + objects.size());
    }
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (i + lookAhead < objects.size()) {
            list.PrefetchAdd(objects[i + lookAhead].latitude, objects[i + lookAhead].longitude);
        }
        list.Add(objects[i].latitude, objects[i].longitude, objects[i].name);
    }
}
