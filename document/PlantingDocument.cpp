#include "document/PlantingDocument.h"

#include <memory>
#include <new>
#include <utility>

#include "document/AddPlantingObjects.h"
#include "document/CompilePlantingFile.h"
#include "document/CreationStamp.h"
#include "document/MovePlantingFiles.h"
#include "document/ParsePlantingText.h"
#include "document/PlantingXmlWriter.h"
#include "document/ReadPlantingFile.h"
#include "simlink/ReadAircraftPosition.h"

namespace {

namespace fs = std::filesystem;

// A file name the dialogs give: a name alone, which cannot lead out of the folder it is written in.
bool IsBareFileName(const std::string& name) {
    const fs::path path(name);
    return !name.empty() && !path.has_parent_path() && path.filename() == path && name != "." && name != "..";
}

WriteStatus StatusOf(PlantingXmlWriter::WriteResult::Status status) {
    switch (status) {
        case PlantingXmlWriter::WriteResult::Status::Written: return WriteStatus::Written;
        case PlantingXmlWriter::WriteResult::Status::NothingToWrite: return WriteStatus::NothingToWrite;
        case PlantingXmlWriter::WriteResult::Status::CannotCreate: return WriteStatus::CannotCreate;
        case PlantingXmlWriter::WriteResult::Status::WriteFailed: break;
    }
    return WriteStatus::WriteFailed;
}

CompileStatus StatusOf(CompileResult::Status status) {
    switch (status) {
        case CompileResult::Status::Compiled: return CompileStatus::Compiled;
        case CompileResult::Status::CompilerMissing: return CompileStatus::CompilerMissing;
        case CompileResult::Status::CannotRunWindowsProgram: return CompileStatus::CannotRunWindowsProgram;
        case CompileResult::Status::CannotStart: return CompileStatus::CannotStart;
        case CompileResult::Status::CompilerFailed: return CompileStatus::CompilerFailed;
        case CompileResult::Status::NoBglProduced: break;
    }
    return CompileStatus::NoBglProduced;
}

MoveStatus StatusOf(FileMove::Status status) {
    switch (status) {
        case FileMove::Status::Moved: return MoveStatus::Moved;
        case FileMove::Status::AlreadyThere: return MoveStatus::AlreadyThere;
        case FileMove::Status::NotProduced: return MoveStatus::NotProduced;
        case FileMove::Status::Failed: break;
    }
    return MoveStatus::Failed;
}

ReadStatus StatusOf(PlantingFileStatus status) {
    switch (status) {
        case PlantingFileStatus::Read: return ReadStatus::Read;
        case PlantingFileStatus::NotFound: return ReadStatus::NotFound;
        case PlantingFileStatus::CannotOpen: return ReadStatus::CannotOpen;
        case PlantingFileStatus::ReadError: return ReadStatus::ReadError;
        case PlantingFileStatus::TooLarge: break;
    }
    return ReadStatus::TooLarge;
}

WriteOutcome WriteXml(const fs::path& file, const std::string& name, const PlantingList& list) {
    WriteOutcome outcome;
    outcome.path = file.string();
    if (list.Count() == 0) {
        outcome.status = WriteStatus::NothingToWrite;
    } else if (!IsBareFileName(name)) {
        outcome.status = WriteStatus::CannotCreate;
        outcome.error = std::make_error_code(std::errc::invalid_argument);
    } else {
        const auto result = PlantingXmlWriter::WriteFile(file, list, CreationStampAt(std::time(nullptr)));
        outcome.status = StatusOf(result.status);
        outcome.error = result.error;
    }
    return outcome;
}

CompileOutcome Compiled(const CompileResult& result) {
    CompileOutcome outcome;
    outcome.status = StatusOf(result.status);
    outcome.error = result.error;
    outcome.path = result.report.string();
    outcome.code = result.exitStatus;
    return outcome;
}

MoveOutcome Moved(const FileMove& move, const std::string& destination) {
    MoveOutcome outcome;
    outcome.status = StatusOf(move.status);
    outcome.error = move.error;
    outcome.path = move.name;
    outcome.destination = destination;
    return outcome;
}

// Adds a file's objects to a list, as offsets from the file's first object where asked. The outcome
// says what the file held and what the list took of it; a file that cannot be read, or that was not
// written by us, leaves the list as it was.
ReadOutcome ReadInto(const fs::path& file, PlantingList& list, bool asOffsets) {
    ReadOutcome outcome;
    outcome.path = file.string();
    try {
        PlantingFileText text = ReadPlantingFile(file);
        outcome.status = StatusOf(text.status);
        outcome.error = text.error;
        if (text.status != PlantingFileStatus::Read) {
            return outcome;
        }
        if (text.text.empty()) {
            outcome.emptyFile = true;
            return outcome;
        }
        ParsedPlantingText parsed = ParsePlantingText(text.text);
        text = {};
        if (!parsed.markerFound) {
            outcome.status = ReadStatus::MarkerMissing;
            return outcome;
        }
        if (asOffsets && !parsed.objects.empty()) {
            const double originLatitude = parsed.objects.front().latitude;
            const double originLongitude = parsed.objects.front().longitude;
            for (ParsedPlantingObject& object : parsed.objects) {
                object.latitude -= originLatitude;
                object.longitude -= originLongitude;
            }
        }
        const std::size_t before = list.Count();
        AddPlantingObjects(list, parsed.objects);
        outcome.objectsRead = parsed.objects.size();
        outcome.objectsAdded = list.Count() - before;
        outcome.objectsLeftOut = outcome.objectsRead - outcome.objectsAdded;
    } catch (const std::bad_alloc&) {
        outcome.status = ReadStatus::TooLarge;
    }
    return outcome;
}

// The aircraft's position through a new link asked for any simulator. An open that failed is reported
// with its own reason, not with the reads' "not open" that would follow it.
PlantOutcome ReadPlantingPosition(const IpcLinkMaker& makeLink) {
    PlantOutcome outcome;
    outcome.status = PlantStatus::LinkFailed;
    outcome.code = static_cast<long long>(IpcResult::NotOpen);
    const std::unique_ptr<IpcLink> link = makeLink ? makeLink(0) : nullptr;
    if (!link) {
        return outcome;
    }
    if (link->GetResult() != IpcResult::Okay) {
        outcome.code = static_cast<long long>(link->GetResult());
        return outcome;
    }
    const AircraftPositionReading reading = ReadAircraftPosition(*link);
    outcome.code = static_cast<long long>(reading.result);
    if (reading.ok) {
        outcome.status = PlantStatus::Planted;
        outcome.latitude = reading.latitude;
        outcome.longitude = reading.longitude;
    }
    return outcome;
}

}  // namespace

PlantingDocument::PlantingDocument(std::string programFolder_) : programFolder(std::move(programFolder_)) {}

void PlantingDocument::AddPlantedObject(double latitude, double longitude, std::string_view guid) {
    plantingList.Add(latitude, longitude, guid);
}

void PlantingDocument::AddCopseObject(double latitudeOffset, double longitudeOffset, std::string_view guid) {
    copsePattern.Add(latitudeOffset, longitudeOffset, guid);
}

void PlantingDocument::GetCopseObject(std::size_t index, double& latitudeOffset, double& longitudeOffset,
                                      std::string& guid) const {
    latitudeOffset = copsePattern.LatitudeAt(index);
    longitudeOffset = copsePattern.LongitudeAt(index);
    guid = copsePattern.GuidAt(index);
}

void PlantingDocument::ClearLists() {
    plantingList.Clear();
    copsePattern.Clear();
}

SaveOutcome PlantingDocument::Save() { return SaveUnder(fileName, folder); }

SaveOutcome PlantingDocument::SaveAs(const std::string& newFileName, const std::string& newFolder) {
    SaveOutcome outcome = SaveUnder(newFileName, newFolder);
    if (outcome.Written()) {
        fileName = newFileName;
        folder = newFolder;
    }
    return outcome;
}

SaveOutcome PlantingDocument::SaveUnder(const std::string& name, const std::string& destinationFolder) {
    const fs::path program(programFolder);
    // A file named without a folder stands where it was written.
    const std::string& destination = destinationFolder.empty() ? programFolder : destinationFolder;
    SaveOutcome outcome;
    outcome.xml = WriteXml(program / name, name, plantingList);
    outcome.compile.status = CompileStatus::NotRun;
    outcome.xmlMove = Moved({name, FileMove::Status::NotProduced, {}}, destination);
    outcome.bglMove = Moved({BglFileNameFor(name), FileMove::Status::NotProduced, {}}, destination);
    if (!outcome.Written() && outcome.xml.status != WriteStatus::NothingToWrite) {
        return outcome;  // the unsaved objects stay, and so does everything else
    }
    if (outcome.Written()) {
        const CompileResult compile = CompilePlantingFile(program, name);
        outcome.compile = Compiled(compile);
        // Only a compile that succeeded may replace the user's .bgl file.
        const MoveResult moves = MovePlantingFiles(program, destination, name, true, compile.bglName,
                                                   compile.status == CompileResult::Status::Compiled);
        outcome.xmlMove = Moved(moves.xml, destination);
        outcome.bglMove = Moved(moves.bgl, destination);
    }
    ClearLists();
    fileOpen = false;
    return outcome;
}

ReadOutcome PlantingDocument::AppendPlantingFile(const fs::path& file) { return ReadInto(file, plantingList, false); }

ReadOutcome PlantingDocument::LoadCopsePattern(const fs::path& file) { return ReadInto(file, copsePattern, true); }

PlantOutcome PlantingDocument::PlantTree(const IpcLinkMaker& makeLink, std::string_view guid) {
    PlantOutcome outcome = ReadPlantingPosition(makeLink);
    if (outcome.status == PlantStatus::Planted) {
        const std::size_t before = PlantedCount();
        AddPlantedObject(outcome.latitude, outcome.longitude, guid);
        outcome.objectsAdded = PlantedCount() - before;
        outcome.objectsLeftOut = 1 - outcome.objectsAdded;
    }
    return outcome;
}

PlantOutcome PlantingDocument::PlantCopse(const IpcLinkMaker& makeLink) {
    PlantOutcome outcome = ReadPlantingPosition(makeLink);
    if (outcome.status != PlantStatus::Planted) {
        return outcome;
    }
    const std::size_t before = PlantedCount();
    const std::size_t members = CopseCount();
    double latitudeOffset = 0.0;
    double longitudeOffset = 0.0;
    std::string guid;
    for (std::size_t i = 0; i < members; ++i) {
        GetCopseObject(i, latitudeOffset, longitudeOffset, guid);
        AddPlantedObject(latitudeOffset + outcome.latitude, longitudeOffset + outcome.longitude, guid);
    }
    outcome.objectsAdded = PlantedCount() - before;
    outcome.objectsLeftOut = members - outcome.objectsAdded;
    return outcome;
}
