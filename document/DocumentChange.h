#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "document/PlantingList.h"

// Which file the document has open: its name, its folder and whether it counts as open.
struct DocumentFile {
    std::string fileName;
    std::string folder;
    bool fileOpen = false;

    bool operator==(const DocumentFile&) const = default;
};

// What one operation changed in the document, exactly enough to take it back and to do it again:
// entries appended at the end of one list, or entries removed from it with the places they held, and,
// for Open, the open file before and after.
struct DocumentChange {
    enum class Target { PlantingList, CopsePattern };
    Target target = Target::PlantingList;
    PlantingList added;                    // appended at the end of the list, in order
    PlantingList removed;                  // taken out of the list, in list order ...
    std::vector<std::size_t> removedAt;    // ... from these ascending places
    std::optional<DocumentFile> fileBefore;
    std::optional<DocumentFile> fileAfter;

    bool Empty() const { return added.Count() == 0 && removed.Count() == 0 && fileBefore == fileAfter; }
};
