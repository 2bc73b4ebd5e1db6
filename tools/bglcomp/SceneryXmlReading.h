#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/bglcomp/LibraryObjectRecord.h"

namespace Bglcomp {

// One problem found in the XML, at the line where libxml2 saw it.
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

// Reads scenery XML text with libxml2's push parser (SAX); memory grows with the objects only.
SceneryXmlContents ReadSceneryXmlText(std::string_view text);
// The same for an open file descriptor, read to its end; the caller keeps and closes it.
SceneryXmlContents ReadSceneryXmlFd(int fd);

}  // namespace Bglcomp
