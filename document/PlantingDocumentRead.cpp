// Reading planting files into the document: Open, Append From and the copse pattern.
#include <new>
#include <utility>

#include "document/AddPlantingObjects.h"
#include "document/PlantingDocument.h"
#include "document/ReadPlantingFile.h"

PlantingFileContent PlantingDocument::Content(const std::filesystem::path& file) {
    PlantingFileContent content;
    ReadOutcome& outcome = content.outcome;
    outcome.path = file.string();
    try {
        PlantingFileText text = ReadPlantingFile(file);
        outcome.status = text.status;
        outcome.error = text.error;
        if (text.status != ReadStatus::Read) {
            return content;
        }
        if (text.text.empty()) {
            outcome.emptyFile = true;
            return content;
        }
        ParsedPlantingText parsed = ParsePlantingText(text.text);
        text = {};
        if (!parsed.markerFound) {
            outcome.status = ReadStatus::MarkerMissing;
            return content;
        }
        outcome.objectsRead = parsed.objects.size();
        content.objects = std::move(parsed.objects);
    } catch (const std::bad_alloc&) {
        content.objects = {};
        outcome.objectsRead = 0;
        outcome.status = ReadStatus::TooLarge;
    }
    return content;
}

ReadOutcome PlantingDocument::OpenFile(std::string name, std::string newFolder, PlantingFileContent content) {
    ReadOutcome outcome = Take(std::move(content), DocumentChange::Target::PlantingList);
    if (outcome.status == ReadStatus::Read) {
        outcome.change.fileBefore = File();
        SetFile({std::move(name), std::move(newFolder), true});
        outcome.change.fileAfter = File();
    }
    return outcome;
}

ReadOutcome PlantingDocument::AppendPlantingFile(PlantingFileContent content) {
    return Take(std::move(content), DocumentChange::Target::PlantingList);
}

ReadOutcome PlantingDocument::LoadCopsePattern(PlantingFileContent content) {
    return Take(std::move(content), DocumentChange::Target::CopsePattern);
}

// Every object goes through the list's Add, so objects near an entry already there, or near an earlier
// object of the file, are left out. A list that runs out of memory part-way is put back as it was.
ReadOutcome PlantingDocument::Take(PlantingFileContent content, DocumentChange::Target target) {
    ReadOutcome outcome = std::move(content.outcome);
    if (outcome.status != ReadStatus::Read) {
        return outcome;
    }
    std::vector<ParsedPlantingObject>& objects = content.objects;
    if (target == DocumentChange::Target::CopsePattern && !objects.empty()) {
        // Members are offsets from the file's own first object.
        const double originLatitude = objects.front().latitude;
        const double originLongitude = objects.front().longitude;
        for (ParsedPlantingObject& object : objects) {
            object.latitude -= originLatitude;
            object.longitude -= originLongitude;
        }
    }
    PlantingList& list = ListFor(target);
    const std::size_t before = list.Count();
    try {
        AddPlantingObjects(list, objects);
        outcome.change.target = target;
        outcome.change.added = list.Tail(before);
    } catch (const std::bad_alloc&) {
        list.RemoveLast(list.Count() - before);
        outcome.change = {};
        outcome.status = ReadStatus::TooLarge;
        return outcome;
    }
    outcome.objectsRead = objects.size();
    outcome.objectsAdded = list.Count() - before;
    outcome.objectsLeftOut = outcome.objectsRead - outcome.objectsAdded;
    return outcome;
}

