#pragma once

#include <cstddef>
#include <string>

#include "document/DocumentChange.h"
#include "document/Outcome.h"

// What the document's whole operations came to (see PlantingDocument).

enum class WriteStatus {
    Written,         // the XML file stands complete under its name in the program's folder
    NothingToWrite,  // the planting list is empty: nothing was written, compiled or moved
    CannotCreate,    // the file could not be created (folder missing, not writable, path through a file)
    WriteFailed,     // writing failed part-way (device full...); an older file of that name is untouched
};

enum class CompileStatus {
    Compiled,                 // exit status 0 and a new .bgl file
    NotRun,                   // no XML file was written
    CompilerMissing,          // no "bglcomp.exe" in the program's folder
    CannotRunWindowsProgram,  // the compiler is a Windows program and nothing here can run it
    CannotStart,              // the compiler could not be started (see error)
    CompilerFailed,           // it ended with a non-zero exit status (code)
    NoBglProduced,            // it ended with status 0 but wrote no .bgl file
};

enum class MoveStatus {
    Moved,         // the file now stands in the planting file's folder
    AlreadyThere,  // the planting file's folder is the program's folder
    NotProduced,   // this save did not produce the file: nothing was touched
    Failed,        // the move failed; the file stays in the program's folder
};

// path: the XML file's full path in the program's folder.
using WriteOutcome = Outcome<WriteStatus>;
// path: the full path of the compiler's report "t.txt"; code: the exit status (-1 where none).
struct CompileOutcome : Outcome<CompileStatus> {
    std::string bglName;       // the .bgl file the compiler writes, without folder
    bool bglProduced = false;  // this run wrote (or replaced) that file
};
// path: the file's name; destination: the planting file's folder.
using MoveOutcome = Outcome<MoveStatus>;
struct MoveOutcomes {
    MoveOutcome xml;
    MoveOutcome bgl;
};

struct SaveOutcome {
    WriteOutcome xml;
    CompileOutcome compile;
    MoveOutcome xmlMove;
    MoveOutcome bglMove;

    bool Written() const { return xml.status == WriteStatus::Written; }
};

enum class ReadStatus {
    Read,           // the file was read and its objects added
    NotFound,       // nothing exists under the path
    CannotOpen,     // something is there but cannot be opened for reading
    ReadError,      // reading failed part-way
    TooLarge,       // the file's text does not fit in memory
    MarkerMissing,  // the file was not created by Grovewright
};

// path: the file as chosen.
struct ReadOutcome : Outcome<ReadStatus> {
    std::size_t objectsRead = 0;     // objects the file holds
    std::size_t objectsAdded = 0;    // of those, added
    std::size_t objectsLeftOut = 0;  // left out as near an existing entry
    bool emptyFile = false;  // Read: the file is 0 bytes long (Open takes it as an empty planting file)
    DocumentChange change;   // what the document took of it
};

enum class PlantStatus {
    Planted,     // the position was read; objects added or left out as counted
    LinkFailed,  // the position could not be read (code: the link's result)
};

struct PlantOutcome : Outcome<PlantStatus> {
    double latitude = 0.0;
    double longitude = 0.0;
    std::size_t objectsAdded = 0;
    std::size_t objectsLeftOut = 0;  // near an existing entry
    DocumentChange change;           // the objects added
};
