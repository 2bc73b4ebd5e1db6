#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/bglcomp/LibraryObjectRecord.h"

namespace Bglcomp {

// A compiled scenery-object file, or why there is none.
struct EncodedBgl {
    std::vector<std::uint8_t> bytes;
    std::size_t cellCount = 0;
    std::string problem;  // empty when bytes hold a complete file
    bool Ok() const { return problem.empty(); }
};

// Builds the FS2004 scenery-object file for the objects: header, one scenery-object section, one
// subsection per occupied level-11 cell in QMID order, then the 48-byte records cell by cell,
// in their given order within a cell. fileTime is the compile time as a Windows FILETIME.
// No objects give a file with no sections.
EncodedBgl EncodeBgl(std::span<const LibraryObjectRecord> records, std::uint64_t fileTime);

// The size of the file header and of one library-object record.
inline constexpr std::size_t bglHeaderSize = 0x38;
inline constexpr std::size_t libraryObjectRecordSize = 48;

}  // namespace Bglcomp
