#include "document/journal/JournalReplay.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// Adds the objects in order, each through the list's nearness rule; how many it took.
std::size_t AddAll(PlantingList& list, const JournalObjects& objects) {
    constexpr std::size_t lookAhead = 8;  // the index's memory requested a few objects ahead
    const std::size_t before = list.Count();
    list.Reserve(before + objects.Count());
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
    switch (record.kind) {
        case JournalRecordKind::NewFile:
            fileName = std::move(record.fileName);
            folder = std::move(record.folder);
            fileOpen = true;
            copsePattern.Clear();  // objects planted while no file was open stay for the new file
            undoSteps.clear();
            redoSteps.clear();
            return true;
        case JournalRecordKind::Close:
            CloseDocument();
            return true;
        case JournalRecordKind::Save:
            drawsSinceSeed += plantingList.Count();  // one heading drawn per object written
            fileName = std::move(record.fileName);
            folder = std::move(record.folder);
            CloseDocument();
            return true;
        case JournalRecordKind::GeneratorState:
            generatorSeed = record.seed;
            drawsSinceSeed = 0;
            return true;
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
            return ApplyDelete(record);
        case JournalRecordKind::OpenFile:
        case JournalRecordKind::TreePlant:
        case JournalRecordKind::CopsePlant:
        case JournalRecordKind::AppendFrom:
        case JournalRecordKind::CopseLoad:
            return ApplyChange(record);
    }
    return false;
}

std::size_t JournalReplay::ApplyAll(std::vector<JournalRecord> records) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!Apply(std::move(records[i]))) {
            return i;
        }
    }
    return records.size();
}

bool JournalReplay::ApplyChange(JournalRecord& record) {
    if (record.kind == JournalRecordKind::TreePlant || record.kind == JournalRecordKind::CopsePlant) {
        // A press seeds the generator whether or not it planted anything.
        generatorSeed = record.seed;
        drawsSinceSeed = 0;
    }
    ReplayStep step;
    step.record = std::move(record);
    if (step.record.kind == JournalRecordKind::OpenFile) {
        OpenFile(step);
        Push(std::move(step));
        return true;
    }
    step.entriesAdded = AddAll(ListOf(step.record.kind), step.record.objects);
    if (step.entriesAdded > 0) {
        Push(std::move(step));
    }
    return true;
}

bool JournalReplay::ApplyDelete(JournalRecord& record) {
    const std::vector<std::uint32_t>& positions = record.positions;
    if (positions.empty()) {
        return true;
    }
    if (!StrictlyAscending(positions) || positions.back() >= plantingList.Count()) {
        return false;
    }
    ReplayStep step;
    step.removedEntries = RemoveAt(plantingList, positions);
    step.record = std::move(record);
    Push(std::move(step));
    return true;
}

void JournalReplay::OpenFile(ReplayStep& step) {
    step.fileNameBefore = std::exchange(fileName, step.record.fileName);
    step.folderBefore = std::exchange(folder, step.record.folder);
    step.fileOpenBefore = std::exchange(fileOpen, true);
    step.entriesAdded = AddAll(plantingList, step.record.objects);
}

void JournalReplay::Revert(ReplayStep& step) {
    switch (step.record.kind) {
        case JournalRecordKind::OpenFile:
            DropLast(plantingList, step.entriesAdded);
            fileName = step.fileNameBefore;
            folder = step.folderBefore;
            fileOpen = step.fileOpenBefore;
            return;
        case JournalRecordKind::EditDelete:
            InsertAt(plantingList, step.record.positions, step.removedEntries);
            return;
        default:
            DropLast(ListOf(step.record.kind), step.entriesAdded);
            return;
    }
}

void JournalReplay::Reapply(ReplayStep& step) {
    switch (step.record.kind) {
        case JournalRecordKind::OpenFile:
            fileName = step.record.fileName;
            folder = step.record.folder;
            fileOpen = true;
            AddAll(plantingList, step.record.objects);
            return;
        case JournalRecordKind::EditDelete:
            RemoveAt(plantingList, step.record.positions);
            return;
        default:
            AddAll(ListOf(step.record.kind), step.record.objects);
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
