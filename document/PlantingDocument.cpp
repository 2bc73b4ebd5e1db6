#include "document/PlantingDocument.h"

#include <new>
#include <utility>

PlantingDocument::PlantingDocument(std::string programFolder_) : programFolder(std::move(programFolder_)) {}

void PlantingDocument::AddPlantedObject(double latitude, double longitude, std::string_view guid) {
    plantingList.Add(latitude, longitude, guid);
}

std::optional<DocumentChange> PlantingDocument::AddPlantedObjects(
    std::size_t count, const std::function<PlantedObjectRef(std::size_t)>& objectAt) {
    // Far enough ahead that the nearness index's memory has arrived when its object's turn comes.
    constexpr std::size_t lookAhead = 16;
    const std::size_t before = plantingList.Count();
    try {
        plantingList.Reserve(before + count);
        for (std::size_t i = 0; i < count; ++i) {
            if (i + lookAhead < count) {
                const PlantedObjectRef ahead = objectAt(i + lookAhead);
                plantingList.PrefetchAdd(ahead.latitude, ahead.longitude);
            }
            const PlantedObjectRef object = objectAt(i);
            AddPlantedObject(object.latitude, object.longitude, object.guid);
        }
        DocumentChange change;
        change.added = plantingList.Tail(before);
        return change;
    } catch (const std::bad_alloc&) {
        plantingList.RemoveLast(plantingList.Count() - before);
        return std::nullopt;
    }
}

void PlantingDocument::AddCopseObject(double latitudeOffset, double longitudeOffset, std::string_view guid) {
    copsePattern.Add(latitudeOffset, longitudeOffset, guid);
}

PlantedObject PlantingDocument::GetCopseObject(std::size_t index) const {
    return {copsePattern.LatitudeAt(index), copsePattern.LongitudeAt(index), copsePattern.GuidAt(index)};
}

void PlantingDocument::NameNewFile(std::string newFileName, std::string newFolder) {
    fileName = std::move(newFileName);
    folder = std::move(newFolder);
    fileOpen = true;
    copsePattern.Clear();
}

void PlantingDocument::Close() {
    fileOpen = false;
    plantingList.Clear();
    copsePattern.Clear();
}

DocumentChange PlantingDocument::KeepRows(const std::vector<std::size_t>& keptIndices) {
    std::vector<bool> kept(plantingList.Count(), false);
    for (const std::size_t index : keptIndices) {
        if (index < kept.size()) {
            kept[index] = true;
        }
    }
    DocumentChange change;
    change.target = DocumentChange::Target::PlantingList;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (!kept[i]) {
            change.removedAt.push_back(i);
        }
    }
    change.removed = plantingList.Extract(change.removedAt);
    return change;
}

void PlantingDocument::Undo(const DocumentChange& change) {
    PlantingList& list = ListFor(change.target);
    list.RemoveLast(change.added.Count());
    list.InsertAt(change.removed, change.removedAt);
    if (change.fileBefore) {
        SetFile(*change.fileBefore);
    }
}

void PlantingDocument::Redo(const DocumentChange& change) {
    PlantingList& list = ListFor(change.target);
    if (change.removed.Count() > 0) {
        list.Extract(change.removedAt);
    }
    list.AppendList(change.added);
    if (change.fileAfter) {
        SetFile(*change.fileAfter);
    }
}

PlantingList& PlantingDocument::ListFor(DocumentChange::Target target) {
    return target == DocumentChange::Target::CopsePattern ? copsePattern : plantingList;
}

void PlantingDocument::SetFile(const DocumentFile& file) {
    fileName = file.fileName;
    folder = file.folder;
    fileOpen = file.fileOpen;
}
