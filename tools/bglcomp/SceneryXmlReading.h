#pragma once

#include <cstddef>
#include <optional>
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
// The piece of a file read at a time for the plain scanner.
inline constexpr std::size_t scanChunkSize = 1 << 20;

// How the compiler reads scenery XML text: the plain scanner first (see SceneryScanner), which reads a
// good file several times faster, and the XML parser wherever the scanner declines; so the problems
// of a file are always the parser's. Both read chunkSize bytes at a time; memory grows with the
// objects only.
SceneryXmlContents ReadSceneryXmlText(std::string_view text, std::size_t chunkSize = xmlChunkSize);
// The same for an open file descriptor, read to its end; the caller keeps and closes it. The scanner
// is tried only where the descriptor can be wound back for the parser.
SceneryXmlContents ReadSceneryXmlFd(int fd);

// The two readings alone. The parser's reading: libxml2's push parser (SAX). The scanner's: the
// contents where it accepted the whole text, otherwise nothing.
SceneryXmlContents ParseSceneryXmlText(std::string_view text, std::size_t chunkSize = xmlChunkSize);
std::optional<SceneryXmlContents> ScanSceneryXmlText(std::string_view text,
                                                     std::size_t chunkSize = scanChunkSize);
// The scanner's reading in two parts at once, text[0, split) on the calling thread and the rest on
// another, the rest read as though the first part ended between two objects. The contents where the
// first part does end so and both parts are accepted; otherwise nothing, and the text must be read
// whole as usual.
std::optional<SceneryXmlContents> ScanSceneryXmlSplit(std::string_view text, std::size_t split);
// A large file is read in two parts at once where the machine has the processors for it.
inline constexpr std::size_t splitReadingSize = std::size_t{16} << 20;

}  // namespace Bglcomp
