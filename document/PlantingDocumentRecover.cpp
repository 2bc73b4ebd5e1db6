#include "document/PlantingDocument.h"

#include <utility>

std::size_t PlantingDocument::AddRecovered(DocumentChange::Target target,
                                           const JournalRecordView::Objects& objects) {
    // Far enough ahead that the nearness index's memory has arrived when its object's turn comes.
    constexpr std::size_t lookAhead = 16;
    PlantingList& list = ListFor(target);
    const std::size_t before = list.Count();
    auto ahead = objects.begin();
    for (std::size_t i = 0; i < lookAhead && ahead != objects.end(); ++i) {
        ++ahead;
    }
    for (const JournalRecordView::Object object : objects) {
        if (ahead != objects.end()) {
            const JournalRecordView::Object next = *ahead;
            list.PrefetchAdd(next.latitude, next.longitude);
            ++ahead;
        }
        list.Add(object.latitude, object.longitude, object.guid);
    }
    return list.Count() - before;
}

DocumentChange PlantingDocument::OpenRecovered(std::string name, std::string newFolder,
                                               const JournalRecordView::Objects& objects) {
    DocumentChange change;
    const std::size_t before = plantingList.Count();
    AddRecovered(DocumentChange::Target::PlantingList, objects);
    change.added = plantingList.Tail(before);
    change.fileBefore = File();
    SetFile({std::move(name), std::move(newFolder), true});
    change.fileAfter = File();
    return change;
}
