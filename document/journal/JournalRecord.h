#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/journal/JournalObjects.h"

// What one journal record says happened to the document. The numbers are the record's kind field on
// disk and never change meaning; a new kind takes a new number.
enum class JournalRecordKind : std::uint16_t {
    NewFile = 1,          // a new file was named and is open: fileName, folder
    OpenFile = 2,         // a file was read and is open: fileName, folder, objects (as the file holds them)
    TreePlant = 3,        // a Plant press with a tree: seed, objects (what the press planted)
    CopsePlant = 4,       // a Plant press with the copse pattern: seed, objects
    AppendFrom = 5,       // a file's objects appended: fileName (the file read, as shown), objects
    EditDelete = 6,       // entries deleted in the Edit dialog: positions (ascending)
    CopseLoad = 7,        // copse members loaded: fileName (the file read), objects (offsets)
    Undo = 8,             // the newest step undone
    Redo = 9,             // the newest undone step done again
    Close = 10,           // the document closed without saving
    Save = 11,            // the document saved under fileName in folder, and closed
    GeneratorState = 12,  // the random generator's state as it stands: seed
    AppendToStep = 13,    // objects appended as part of the newest step (a trail's later trees): objects
};

// One decoded record. Fields a kind does not use stay empty or zero.
struct JournalRecord {
    JournalRecordKind kind = JournalRecordKind::Close;
    std::string fileName;
    std::string folder;
    std::uint32_t seed = 0;
    JournalObjects objects;
    std::vector<std::uint32_t> positions;

    bool operator==(const JournalRecord&) const = default;

    static JournalRecord NewFile(std::string fileName, std::string folder);
    static JournalRecord OpenFile(std::string fileName, std::string folder, JournalObjects objects);
    static JournalRecord TreePlant(std::uint32_t seed, JournalObjects objects);
    static JournalRecord CopsePlant(std::uint32_t seed, JournalObjects objects);
    static JournalRecord AppendFrom(std::string fileName, JournalObjects objects);
    static JournalRecord EditDelete(std::vector<std::uint32_t> ascendingPositions);
    static JournalRecord CopseLoad(std::string fileName, JournalObjects offsets);
    static JournalRecord Undo();
    static JournalRecord Redo();
    static JournalRecord Close();
    static JournalRecord Save(std::string fileName, std::string folder);
    static JournalRecord GeneratorState(std::uint32_t state);
    static JournalRecord AppendToStep(JournalObjects objects);
};
