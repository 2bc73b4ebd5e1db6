#include "document/PlantingDocument.h"

#include <utility>

std::size_t PlantingDocument::AddRecovered(DocumentChange::Target target, const ObjectSource& next) {
    PlantingList& list = ListFor(target);
    const std::size_t before = list.Count();
    PlantedObjectRef object;
    while (next(object)) {
        list.Add(object.latitude, object.longitude, object.guid);
    }
    return list.Count() - before;
}

DocumentChange PlantingDocument::OpenRecovered(std::string name, std::string newFolder,
                                               const ObjectSource& next) {
    DocumentChange change;
    const std::size_t before = plantingList.Count();
    AddRecovered(DocumentChange::Target::PlantingList, next);
    change.added = plantingList.Tail(before);
    change.fileBefore = File();
    SetFile({std::move(name), std::move(newFolder), true});
    change.fileAfter = File();
    return change;
}
