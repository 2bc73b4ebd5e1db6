// Saving the document: write the XML file in the program's folder, compile it there, move both files
// into the planting file's folder, then close the document.
#include <ctime>

#include "document/CompilePlantingFile.h"
#include "document/CreationStamp.h"
#include "document/FindCompiler.h"
#include "document/MovePlantingFiles.h"
#include "document/PlantingDocument.h"
#include "document/PlantingXmlWriter.h"

namespace {

namespace fs = std::filesystem;

// A file name the dialogs give: a name alone, which cannot lead out of the folder it is written in.
bool IsBareFileName(const std::string& name) {
    const fs::path path(name);
    return !name.empty() && !path.has_parent_path() && path.filename() == path && name != "." && name != "..";
}

WriteOutcome WriteXml(const fs::path& file, const std::string& name, const PlantingList& list) {
    if (list.Count() > 0 && !IsBareFileName(name)) {
        WriteOutcome outcome;
        outcome.path = file.string();
        outcome.status = WriteStatus::CannotCreate;
        outcome.error = std::make_error_code(std::errc::invalid_argument);
        return outcome;
    }
    return PlantingXmlWriter::WriteFile(file, list, CreationStampAt(std::time(nullptr)));
}

}  // namespace

SaveOutcome PlantingDocument::Save() {
    const std::string name = fileName;
    const std::string destinationFolder = folder;
    const SaveOutcome outcome = SaveFiles(name, destinationFolder);
    FinishSave(outcome, name, destinationFolder);
    return outcome;
}

SaveOutcome PlantingDocument::SaveAs(const std::string& newFileName, const std::string& newFolder) {
    const SaveOutcome outcome = SaveFiles(newFileName, newFolder);
    FinishSave(outcome, newFileName, newFolder);
    return outcome;
}

SaveOutcome PlantingDocument::SaveFiles(const std::string& name, const std::string& destinationFolder) const {
    const fs::path program(programFolder);
    // A file named without a folder stands where it was written.
    const std::string& destination = destinationFolder.empty() ? programFolder : destinationFolder;
    SaveOutcome outcome;
    outcome.xml = WriteXml(program / name, name, plantingList);
    outcome.compile.status = CompileStatus::NotRun;
    outcome.xmlMove = NothingMoved(name, destination);
    outcome.bglMove = NothingMoved(BglFileNameFor(name), destination);
    if (outcome.Written()) {
        outcome.compile = CompilePlantingFile(program, name);
        // Only a compile that succeeded may replace the user's .bgl file.
        MoveOutcomes moves = MovePlantingFiles(program, destination, name, true, outcome.compile.bglName,
                                               outcome.compile.status == CompileStatus::Compiled);
        outcome.xmlMove = std::move(moves.xml);
        outcome.bglMove = std::move(moves.bgl);
    }
    return outcome;
}

// A save that wrote nothing because it could not keeps the unsaved objects and everything else; any
// other closes the document, under the name it was written as.
void PlantingDocument::FinishSave(const SaveOutcome& outcome, const std::string& name,
                                  const std::string& destinationFolder) {
    if (outcome.Written()) {
        fileName = name;
        folder = destinationFolder;
    }
    if (outcome.Written() || outcome.xml.status == WriteStatus::NothingToWrite) {
        Close();
    }
}

bool PlantingDocument::CompilerPresent(const std::filesystem::path& folder) {
    return !FindCompiler(folder).empty();
}
