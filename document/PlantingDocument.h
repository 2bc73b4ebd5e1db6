#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/DocumentChange.h"
#include "document/DocumentOutcomes.h"
#include "document/ParsePlantingText.h"
#include "document/PlantingList.h"
#include "document/journal/JournalRecordView.h"
#include "simlink/IpcLinkMaker.h"

// One entry of a list, handed out by value.
struct PlantedObject {
    double latitude = 0.0;
    double longitude = 0.0;
    std::string guid;
};

// One object to add, its GUID text borrowed from the caller.
struct PlantedObjectRef {
    double latitude = 0.0;
    double longitude = 0.0;
    std::string_view guid;
};

// A planting file read and parsed but not yet added anywhere: the slow half of Open, Append From and
// Copse, which may run off the user-interface thread while the document is only read.
struct PlantingFileContent {
    ReadOutcome outcome;  // status Read (emptyFile where 0 bytes), or why the file was refused
    std::vector<ParsedPlantingObject> objects;
};

// The planting document: the open planting file's name and folder, the program's folder where files
// are written and compiled, the planted objects and the copse pattern. Its state is read through the
// getters and changed only by its operations. Each whole operation (save, read a file into it, plant
// at the aircraft) returns one outcome; every change to a list says what it changed, so that it can be
// undone exactly (Undo) and done again (Redo). No user interface here.
class PlantingDocument {
public:
    // `programFolder` is where the XML file is written and the compiler runs; it ends with a separator.
    explicit PlantingDocument(std::string programFolder);

    const std::string& FileName() const { return fileName; }  // without folder, as the user chose it
    const std::string& Folder() const { return folder; }      // ends with a separator
    bool FileOpen() const { return fileOpen; }
    const std::string& ProgramFolder() const { return programFolder; }
    const PlantingList& PlantedObjects() const { return plantingList; }
    const PlantingList& CopsePattern() const { return copsePattern; }
    DocumentFile File() const { return {fileName, folder, fileOpen}; }

    // The small set of operations planting is built from.
    void AddPlantedObject(double latitude, double longitude, std::string_view guid);
    void AddCopseObject(double latitudeOffset, double longitudeOffset, std::string_view guid);
    // Adds `count` objects in order, object k given by objectAt(k), each through AddPlantedObject's
    // nearness rule, as one change: how a forest's trees are planted. Room is made for all of them
    // first, so that a million go in without regrowing the list. Nothing, with the list as it was, where
    // memory ran out part-way.
    std::optional<DocumentChange> AddPlantedObjects(
        std::size_t count, const std::function<PlantedObjectRef(std::size_t)>& objectAt);
    std::size_t PlantedCount() const { return plantingList.Count(); }
    std::size_t CopseCount() const { return copsePattern.Count(); }
    PlantedObject GetCopseObject(std::size_t index) const;

    // New: the named file becomes the open file, to be written by the next save. Objects planted while
    // no file was open stay and belong to it; the copse pattern is emptied.
    void NameNewFile(std::string newFileName, std::string newFolder);
    // Ends the work on the open file: no file open, both lists empty.
    void Close();
    // The Edit dialog's OK: keeps only the entries at `keptIndices` (ascending list positions), in order.
    // The change lists every removed entry with its place.
    DocumentChange KeepRows(const std::vector<std::size_t>& keptIndices);

    // Reading a planting file, whole (ReadFile) or in two halves: Content may run on another thread
    // while nothing changes the document; the operation taking it then adds the objects, each through
    // the list's Add, the copse pattern's as offsets from the file's first object. A file that could
    // not be read, or that lacks the origin marker, changes nothing.
    static PlantingFileContent Content(const std::filesystem::path& file);
    // Open: the file becomes the document's open file only where it was read (an empty file included).
    // A default content, nothing read, opens a file that does not exist yet as a new, empty one.
    ReadOutcome OpenFile(std::string name, std::string newFolder, PlantingFileContent content);
    ReadOutcome AppendPlantingFile(PlantingFileContent content);
    ReadOutcome LoadCopsePattern(PlantingFileContent content);
    ReadOutcome AppendPlantingFile(const std::filesystem::path& file) {
        return AppendPlantingFile(Content(file));
    }
    ReadOutcome LoadCopsePattern(const std::filesystem::path& file) {
        return LoadCopsePattern(Content(file));
    }

    // Writes `fileName` into the program's folder, compiles it there and moves the XML file and the
    // .bgl file into `folder` (an empty folder: they stay where they were written). A file there is
    // replaced only by one this save produced; a compile that failed replaces no .bgl file. Afterwards
    // the document is closed (both lists empty, no file open), except where the XML file could not be
    // written (a name that is not a bare file name included): then nothing changes, so that no unsaved
    // object is lost. An empty planting list writes, compiles and moves nothing and closes the document.
    SaveOutcome Save();
    // The same under another name and folder, which become the document's only where the file was
    // written.
    SaveOutcome SaveAs(const std::string& newFileName, const std::string& newFolder);
    // The two halves of a save: the files (which only read the document and may run on another thread,
    // drawing the headings from the shared generator), then what the save does to the document.
    SaveOutcome SaveFiles(const std::string& name, const std::string& destinationFolder) const;
    void FinishSave(const SaveOutcome& outcome, const std::string& name,
                    const std::string& destinationFolder);

    // Reads the aircraft's position through a new link (may run on another thread); status Planted
    // with the position, or LinkFailed with the link's result as code.
    static PlantOutcome ReadPlantingPosition(const IpcLinkMaker& makeLink);
    // Plants one catalogue tree (its GUID), or every member of the copse pattern, at a position read
    // by ReadPlantingPosition, each through AddPlantedObject; a failed reading adds nothing.
    PlantOutcome PlantTree(const PlantOutcome& position, std::string_view guid);
    PlantOutcome PlantCopse(const PlantOutcome& position);
    PlantOutcome PlantTree(const IpcLinkMaker& makeLink, std::string_view guid) {
        return PlantTree(ReadPlantingPosition(makeLink), guid);
    }
    PlantOutcome PlantCopse(const IpcLinkMaker& makeLink) {
        return PlantCopse(ReadPlantingPosition(makeLink));
    }

    // Recovery's operations, for what an ended session's journal says happened. The objects are read
    // where they lie in the journal's bytes, without a copy.
    // Makes room for `count` planted objects in all, so that a million recovered ones do not regrow it.
    void ReservePlanted(std::size_t count) { plantingList.Reserve(count); }
    // A hint that a planted object at this position will soon be recovered (see PlantingList::PrefetchAdd).
    void PrefetchPlanted(double latitude, double longitude) const {
        plantingList.PrefetchAdd(latitude, longitude);
    }
    // Adds the objects to the list as they stand (copse members as offsets), each through the list's
    // Add; how many the list took, they being its last entries.
    std::size_t AddRecovered(DocumentChange::Target target, const JournalRecordView::Objects& objects);
    // Open: the objects added as AddRecovered adds them, and the named file open; the change says both.
    DocumentChange OpenRecovered(std::string name, std::string newFolder,
                                 const JournalRecordView::Objects& objects);
    // A recovered step taken back and done again: the list's last `count` entries taken out, and entries
    // appended as they are.
    PlantingList TakeLast(DocumentChange::Target target, std::size_t count) {
        PlantingList& list = ListFor(target);
        PlantingList last = list.Tail(list.Count() - count);
        list.RemoveLast(count);
        return last;
    }
    void AppendEntries(DocumentChange::Target target, const PlantingList& entries) {
        ListFor(target).AppendList(entries);
    }

    // Takes back a change this document reported, the document being as the change left it; Redo does
    // it again, the document being as Undo left it. The nearness index follows both ways.
    void Undo(const DocumentChange& change);
    void Redo(const DocumentChange& change);

    // Whether the scenery compiler stands in `folder`: "bglcomp.exe" in any letter case, the same rule
    // the save's compile step runs it by.
    static bool CompilerPresent(const std::filesystem::path& folder);

private:
    PlantingList& ListFor(DocumentChange::Target target);
    // Adds a content's objects to the target list; the outcome's change lists those the list took.
    ReadOutcome Take(PlantingFileContent content, DocumentChange::Target target);
    void SetFile(const DocumentFile& file);

    std::string programFolder;
    std::string fileName;
    std::string folder;
    bool fileOpen = false;
    PlantingList plantingList;  // the objects the next save writes
    PlantingList copsePattern;  // members as offsets in degrees from their file's first object
};
