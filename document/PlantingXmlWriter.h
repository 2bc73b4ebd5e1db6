#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "document/DocumentOutcomes.h"
#include "document/PlantingList.h"

// Writes a planting list as a scenery-compiler source file: a comment head carrying the creation stamp,
// the FSData element, and one SceneryObject with one LibraryObject per entry, in list order. Every
// line ends in CR LF on every platform and numbers use a point whatever the locale. Each object gets a
// heading drawn from the shared random generator, so writing the same list twice differs in headings.
namespace PlantingXmlWriter {

// The heading written for a draw of the shared generator: 25 to 65 degrees.
double HeadingForDraw(int draw);

// The file's parts, for callers that lay out objects of their own (with headings they choose).
void AppendHead(std::string& out, std::string_view creationStamp);
void AppendObject(std::string& out, double latitude, double longitude, double heading, std::string_view guid);
void AppendTail(std::string& out);

// The whole file's bytes, drawing one heading per entry. `creationStamp` ends in a line feed.
std::string Text(const PlantingList& list, std::string_view creationStamp);

// Writes the file beside its final name and renames it into place only when complete. Status Written,
// NothingToWrite (an empty list: no file is written or touched), CannotCreate or WriteFailed (the old
// file is untouched), with the system's reason; path: the file.
WriteOutcome WriteFile(const std::filesystem::path& file, const PlantingList& list,
                       std::string_view creationStamp);

}  // namespace PlantingXmlWriter
