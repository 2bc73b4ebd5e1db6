#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/PlantingList.h"
#include "document/journal/JournalRecord.h"

// What undoing an Edit delete or an Open needs besides its record.
struct ReplayUndo {
    JournalObjects removedEntries;  // Edit delete: the entries that stood at the record's positions
    // Open: the file's state before it.
    std::string fileName;
    std::string folder;
    bool fileOpen = false;
};

// One step of the undo history: the record that made it (an index into the replay's records), how many
// entries it added, and for an Edit delete or an Open what undoing it needs.
struct ReplayStep {
    std::size_t record = 0;
    std::vector<std::size_t> moreRecords;  // Append to step records that added to it, in order
    std::size_t entriesAdded =
        0;  // plants, Open, Append From: to the planted list; copse load: to the pattern
    std::unique_ptr<ReplayUndo> undo;
};

// The document as a journal's records leave it: the file's name, folder and open state, the planted
// list and copse pattern (changed through PlantingList::Add, as the document changes them, so that
// the same objects are left out as near), and the undo history. The random generator's state is the
// session's to restore; a generator state record changes nothing here.
//
// A change that adds or removes nothing, or a plant press that planted nothing, makes no step. Undo
// takes the newest step back and moves it to the redo stack; Redo does it again; a new step empties
// the redo stack. New, Close and Save empty the history. A Save leaves nothing unsaved. The step an Append
// From made stays open to Append to step records (a trail's later trees) until any other record but a
// generator state comes.
class JournalReplay {
public:
    // Applies one record; false, changing nothing, where the record cannot follow the state (an Undo or
    // Redo without a step, a delete of a position beyond the list).
    bool Apply(JournalRecord record);
    // Applies the records in order up to the first that cannot follow; how many were applied.
    std::size_t ApplyAll(std::vector<JournalRecord> records);

    const std::string& FileName() const { return fileName; }
    const std::string& Folder() const { return folder; }
    bool FileOpen() const { return fileOpen; }
    const PlantingList& Planted() const { return plantingList; }
    const PlantingList& CopsePattern() const { return copsePattern; }
    std::size_t UnsavedObjects() const { return plantingList.Count(); }

    // Oldest first; the next to undo is the last.
    const std::vector<ReplayStep>& UndoSteps() const { return undoSteps; }
    // The next to redo is the last.
    const std::vector<ReplayStep>& RedoSteps() const { return redoSteps; }
    // The record that made a step.
    const JournalRecord& RecordOf(const ReplayStep& step) const { return records[step.record]; }

private:
    void ReserveFor(const std::vector<JournalRecord>& more);
    bool ApplyAt(std::size_t index);
    bool ApplyChange(std::size_t index);
    bool ApplyDelete(std::size_t index);
    bool ApplyToStep(std::size_t index);
    void Revert(const ReplayStep& step);
    void Reapply(const ReplayStep& step);
    PlantingList& ListOf(JournalRecordKind kind);
    void Push(ReplayStep step);
    void CloseDocument();

    std::vector<JournalRecord> records;  // every record applied, in order: the steps' records among them
    std::string fileName;
    std::string folder;
    bool fileOpen = false;
    PlantingList plantingList;
    PlantingList copsePattern;
    std::vector<ReplayStep> undoSteps;
    std::vector<ReplayStep> redoSteps;
    bool stepOpen = false;  // the newest step was made by an Append From and may still grow
};
