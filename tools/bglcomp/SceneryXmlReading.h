#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/bglcomp/LibraryObjectRecord.h"

namespace Bglcomp {

// One problem found in the XML. An attribute's problem is placed at the line where the attribute
// stands, an element's at the line where its start tag begins, malformed XML where libxml2 saw it;
// 0 for a problem with the file as a whole.
struct Diagnostic {
    long line = 0;
    bool isError = true;
    std::string message;
};

// What a scenery XML file yields: the records of its objects, and its problems. An object with a
// problem gives no record. Only the first maxKeptDiagnostics problems are kept; all are counted.
struct SceneryXmlContents {
    std::vector<LibraryObjectRecord> records;
    std::vector<Diagnostic> diagnostics;
    std::size_t errorCount = 0;
    std::size_t warningCount = 0;
    std::size_t objectCount = 0;  // SceneryObject elements seen, good or bad
};

inline constexpr std::size_t maxKeptDiagnostics = 100;
// The piece of a file handed to the XML parser at a time.
inline constexpr std::size_t xmlChunkSize = 1 << 16;

// Reads scenery XML text with libxml2's push parser (SAX), chunkSize bytes at a time; memory grows
// with the objects only.
SceneryXmlContents ReadSceneryXmlText(std::string_view text, std::size_t chunkSize = xmlChunkSize);
// The same for an open file descriptor, read to its end; the caller keeps and closes it.
SceneryXmlContents ReadSceneryXmlFd(int fd);

}  // namespace Bglcomp
