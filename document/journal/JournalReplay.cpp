#include "document/journal/JournalReplay.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

namespace {

// Adds the objects in order, each through the list's nearness rule; how many it took.
std::size_t AddAll(PlantingList& list, const JournalObjects& objects) {
    constexpr std::size_t lookAhead = 8;  // the index's memory requested a few objects ahead
    const std::size_t before = list.Count();
    // Room at once for a large batch; small ones grow the columns by doubling, since reserving the
    // exact size for each of a million presses would copy the list at every one.
    if (objects.Count() > before / 2) {
        list.Reserve(before + objects.Count());
    }
    for (std::size_t i = 0; i < objects.Count(); ++i) {
        if (i + lookAhead < objects.Count()) {
            list.PrefetchAdd(objects.LatitudeAt(i + lookAhead), objects.LongitudeAt(i + lookAhead));
        }
        list.Add(objects.LatitudeAt(i), objects.LongitudeAt(i), objects.GuidAt(i));
    }
    return list.Count() - before;
}

// Steps are undone by rebuilding the list from the entries that remain, without the nearness test:
// each of them passed it once. The list has no way to take entries out of its index.
void DropLast(PlantingList& list, std::size_t count) {
    const std::size_t keep = list.Count() - std::min(count, list.Count());
    PlantingList kept;
    kept.Reserve(keep);
    for (std::size_t i = 0; i < keep; ++i) {
        kept.AppendUnchecked(list.LatitudeAt(i), list.LongitudeAt(i), list.GuidViewAt(i));
    }
    list = std::move(kept);
}

// Takes out the entries at the ascending positions, which lie within the list; they are returned in order.
JournalObjects RemoveAt(PlantingList& list, const std::vector<std::uint32_t>& positions) {
    JournalObjects removed;
    PlantingList kept;
    kept.Reserve(list.Count() - positions.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            removed.Add(list.LatitudeAt(i), list.LongitudeAt(i), list.GuidViewAt(i));
            ++next;
        } else {
            kept.AppendUnchecked(list.LatitudeAt(i), list.LongitudeAt(i), list.GuidViewAt(i));
        }
    }
    list = std::move(kept);
    return removed;
}

// Puts removed entries back at the ascending positions they had.
void InsertAt(PlantingList& list, const std::vector<std::uint32_t>& positions,
              const JournalObjects& entries) {
    PlantingList merged;
    const std::size_t total = list.Count() + entries.Count();
    merged.Reserve(total);
    std::size_t fromList = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < total; ++i) {
        if (next < entries.Count() && positions[next] == i) {
            merged.AppendUnchecked(entries.LatitudeAt(next), entries.LongitudeAt(next), entries.GuidAt(next));
            ++next;
        } else {
            merged.AppendUnchecked(list.LatitudeAt(fromList), list.LongitudeAt(fromList),
                                   list.GuidViewAt(fromList));
            ++fromList;
        }
    }
    list = std::move(merged);
}

bool StrictlyAscending(const std::vector<std::uint32_t>& positions) {
    return std::adjacent_find(positions.begin(), positions.end(), std::greater_equal<>()) == positions.end();
}

}  // namespace

bool JournalReplay::Apply(JournalRecord record) {
    records.push_back(std::move(record));
    const bool open = stepOpen;
    if (!ApplyAt(records.size() - 1)) {
        stepOpen = open;
        records.pop_back();
        return false;
    }
    return true;
}

std::size_t JournalReplay::ApplyAll(std::vector<JournalRecord> more) {
    ReserveFor(more);
    const std::size_t first = records.size();
    if (records.empty()) {
        records = std::move(more);
    } else {
        std::move(more.begin(), more.end(), std::back_inserter(records));
    }
    for (std::size_t i = first; i < records.size(); ++i) {
        const bool open = stepOpen;
        if (!ApplyAt(i)) {
            stepOpen = open;
            records.resize(i);
            return i - first;
        }
    }
    return records.size() - first;
}

// Room in the planted list for every object the records could add to it, so that a journal of a million
// presses neither copies the list's columns nor rehashes its index as it grows. The objects are in
// memory already, so this at most doubles what they take.
void JournalReplay::ReserveFor(const std::vector<JournalRecord>& more) {
    std::size_t added = 0;
    for (const JournalRecord& record : more) {
        if (record.kind != JournalRecordKind::CopseLoad) {
            added += record.objects.Count();
        }
    }
    if (added > plantingList.Count() / 2) {
        plantingList.Reserve(plantingList.Count() + added);
    }
}

bool JournalReplay::ApplyAt(std::size_t index) {
    JournalRecord& record = records[index];
    const bool wasOpen = std::exchange(stepOpen, false);
    switch (record.kind) {
        case JournalRecordKind::NewFile:
            fileName = record.fileName;
            folder = record.folder;
            fileOpen = true;
            copsePattern.Clear();  // objects planted while no file was open stay for the new file
            undoSteps.clear();
            redoSteps.clear();
            return true;
        case JournalRecordKind::Close:
            CloseDocument();
            return true;
        case JournalRecordKind::Save:
            fileName = record.fileName;
            folder = record.folder;
            CloseDocument();
            return true;
        case JournalRecordKind::GeneratorState:
            stepOpen = wasOpen;
            return true;
        case JournalRecordKind::AppendToStep:
            stepOpen = wasOpen;
            return wasOpen && ApplyToStep(index);
        case JournalRecordKind::Undo:
            if (undoSteps.empty()) {
                return false;
            }
            Revert(undoSteps.back());
            redoSteps.push_back(std::move(undoSteps.back()));
            undoSteps.pop_back();
            return true;
        case JournalRecordKind::Redo:
            if (redoSteps.empty()) {
                return false;
            }
            Reapply(redoSteps.back());
            undoSteps.push_back(std::move(redoSteps.back()));
            redoSteps.pop_back();
            return true;
        case JournalRecordKind::EditDelete:
            return ApplyDelete(index);
        case JournalRecordKind::OpenFile:
        case JournalRecordKind::TreePlant:
        case JournalRecordKind::CopsePlant:
        case JournalRecordKind::AppendFrom:
        case JournalRecordKind::CopseLoad:
            return ApplyChange(index);
    }
    return false;
}

bool JournalReplay::ApplyChange(std::size_t index) {
    const JournalRecord& record = records[index];
    ReplayStep step;
    step.record = index;
    if (record.kind == JournalRecordKind::OpenFile) {
        step.undo = std::make_unique<ReplayUndo>();
        step.undo->fileName = std::exchange(fileName, record.fileName);
        step.undo->folder = std::exchange(folder, record.folder);
        step.undo->fileOpen = std::exchange(fileOpen, true);
    }
    step.entriesAdded = AddAll(ListOf(record.kind), record.objects);
    // An Open changes the file's state even where it adds nothing.
    if (step.entriesAdded > 0 || step.undo) {
        Push(std::move(step));
        stepOpen = record.kind == JournalRecordKind::AppendFrom;
    }
    return true;
}

bool JournalReplay::ApplyToStep(std::size_t index) {
    ReplayStep& step = undoSteps.back();
    step.entriesAdded += AddAll(plantingList, records[index].objects);
    step.moreRecords.push_back(index);
    return true;
}

bool JournalReplay::ApplyDelete(std::size_t index) {
    const std::vector<std::uint32_t>& positions = records[index].positions;
    if (positions.empty()) {
        return true;
    }
    if (!StrictlyAscending(positions) || positions.back() >= plantingList.Count()) {
        return false;
    }
    ReplayStep step;
    step.record = index;
    step.undo = std::make_unique<ReplayUndo>();
    step.undo->removedEntries = RemoveAt(plantingList, positions);
    Push(std::move(step));
    return true;
}

void JournalReplay::Revert(const ReplayStep& step) {
    const JournalRecord& record = records[step.record];
    switch (record.kind) {
        case JournalRecordKind::OpenFile:
            DropLast(plantingList, step.entriesAdded);
            fileName = step.undo->fileName;
            folder = step.undo->folder;
            fileOpen = step.undo->fileOpen;
            return;
        case JournalRecordKind::EditDelete:
            InsertAt(plantingList, record.positions, step.undo->removedEntries);
            return;
        default:
            DropLast(ListOf(record.kind), step.entriesAdded);
            return;
    }
}

void JournalReplay::Reapply(const ReplayStep& step) {
    const JournalRecord& record = records[step.record];
    switch (record.kind) {
        case JournalRecordKind::OpenFile:
            fileName = record.fileName;
            folder = record.folder;
            fileOpen = true;
            AddAll(plantingList, record.objects);
            return;
        case JournalRecordKind::EditDelete:
            RemoveAt(plantingList, record.positions);
            return;
        default:
            AddAll(ListOf(record.kind), record.objects);
            for (const std::size_t more : step.moreRecords) {
                AddAll(plantingList, records[more].objects);
            }
            return;
    }
}

PlantingList& JournalReplay::ListOf(JournalRecordKind kind) {
    return kind == JournalRecordKind::CopseLoad ? copsePattern : plantingList;
}

void JournalReplay::Push(ReplayStep step) {
    undoSteps.push_back(std::move(step));
    redoSteps.clear();
}

void JournalReplay::CloseDocument() {
    fileOpen = false;
    plantingList.Clear();
    copsePattern.Clear();
    undoSteps.clear();
    redoSteps.clear();
}
