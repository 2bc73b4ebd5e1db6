#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "document/DocumentOutcomes.h"
#include "document/PlantingList.h"
#include "simlink/IpcLinkMaker.h"

// The planting document the main window holds: the open planting file's name and folder, the
// program's folder where files are written and compiled, the planted objects and the copse pattern.
// Each of its whole operations (save, read a file into it, plant at the aircraft) returns one outcome;
// the window turns that into a message. No user interface here.
class PlantingDocument {
public:
    // `programFolder` is where the XML file is written and the compiler runs; it ends with a separator.
    explicit PlantingDocument(std::string programFolder);

    // The state of the open planting file.
    std::string fileName;       // the file's name without folder, as the user chose it
    std::string folder;         // the file's folder, ending with a separator
    bool fileOpen = false;
    const std::string& ProgramFolder() const { return programFolder; }

    PlantingList plantingList;  // the objects the next save writes
    PlantingList copsePattern;  // members as offsets in degrees from their file's first object

    // The small set of operations the palette pages call through the main window.
    void AddPlantedObject(double latitude, double longitude, std::string_view guid);
    void AddCopseObject(double latitudeOffset, double longitudeOffset, std::string_view guid);
    std::size_t PlantedCount() const { return plantingList.Count(); }
    std::size_t CopseCount() const { return copsePattern.Count(); }
    void GetCopseObject(std::size_t index, double& latitudeOffset, double& longitudeOffset,
                        std::string& guid) const;
    // Empties the planting list and the copse pattern together.
    void ClearLists();

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

    // Reads a planting file and adds its objects to the planting list (Open, Append From), or to the
    // copse pattern as offsets from the file's first object (Copse), each through the list's Add. A
    // file that cannot be read, or that lacks the origin marker, changes nothing; an empty file is
    // read with nothing in it (emptyFile).
    ReadOutcome AppendPlantingFile(const std::filesystem::path& file);
    ReadOutcome LoadCopsePattern(const std::filesystem::path& file);

    // Reads the aircraft's position through a new link and plants there one catalogue tree (its GUID)
    // or every member of the copse pattern, each through AddPlantedObject. Where the link fails,
    // nothing is added and the outcome's code is the link's result.
    PlantOutcome PlantTree(const IpcLinkMaker& makeLink, std::string_view guid);
    PlantOutcome PlantCopse(const IpcLinkMaker& makeLink);

private:
    SaveOutcome SaveUnder(const std::string& name, const std::string& destinationFolder);

    std::string programFolder;
};
