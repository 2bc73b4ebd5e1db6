#include "app/KeepPlantedObjects.h"

void KeepPlantedObjects(PlantingList& list, const std::vector<std::size_t>& keptIndices) {
    PlantingList kept;
    kept.Reserve(keptIndices.size());
    for (const std::size_t index : keptIndices) {
        if (index < list.Count()) {
            kept.AppendUnchecked(list.LatitudeAt(index), list.LongitudeAt(index), list.GuidViewAt(index));
        }
    }
    list.Clear();
    for (std::size_t i = 0; i < kept.Count(); ++i) {
        list.AppendUnchecked(kept.LatitudeAt(i), kept.LongitudeAt(i), kept.GuidViewAt(i));
    }
}
