#pragma once

#include <string>
#include <string_view>

// The fixed table of plantable library objects: 199 trees, shrubs, bushes and cacti from two
// object libraries, each a GUID (what a planted object records and the scenery file names) and a
// display name. Entries 0 to 97 are the default library, 98 to 198 the second library; each
// model's heights are consecutive entries in ascending order.
//
// The contents are one shared constant table, so a catalogue costs nothing to build and may be
// made wherever it is needed.
class TreeCatalogue {
public:
    static constexpr int entryCount = 199;
    static constexpr int defaultLibraryCount = 98;

    // The GUID of entry baseIndex + offset (32 upper-case hexadecimal digits), or an empty string
    // where the sum names no entry.
    std::string GuidForEntry(int baseIndex, int offset) const;

    // The display name of the first entry whose GUID equals guid exactly (case-sensitive), or an
    // empty string where no entry carries it.
    std::string NameForGuid(const std::string& guid) const;

    int Count() const { return entryCount; }

    // Entry index's name and GUID; an empty string for an index outside 0 to Count() - 1.
    const std::string& NameAt(int index) const;
    const std::string& GuidAt(int index) const;

    // The first entry of the model named `model` (its heights follow it), or -1 for no such model.
    int FirstEntryOf(std::string_view model) const;
};
