#include "trees/TreeCatalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

constexpr const char* defaultLibraryPrefix = "67707891DBC1CC0D5F111EE9C4CB";
constexpr const char* secondLibraryPrefix = "67677891DBC1CC0D5F111EE9C4CB";

constexpr std::size_t maxRangeLength = 7;

// One model in several heights: consecutive entries that share a name stem. The tails complete the
// library's GUID prefix; the blank count pads the stem so the names line up in a list.
struct Range {
    const char* stem;
    int blankCount;
    std::array<const char*, maxRangeLength> tails;  // unused places are null
    std::array<const char*, maxRangeLength> heights;
};

// In entry order. Default library tails are F, the model's row and column on the default page and a
// size letter, with the irregular ones as the library has them (E..0 for a seventh height, no C in
// three models); second library tails are F, group (1 Tree, 3 Conifer, 6 palm), series, size letter.
constexpr std::array<Range, 36> ranges{{
    // Default library, entries 0 to 97.
    {"Deciduous 1", 1, {"F11A", "F11B", "F11C", "F11D", "F11E", "F11F"}, {"6", "11", "12 fat", "17", "21 fat", "22"}},
    {"Deciduous 2", 1, {"F12A", "F12B", "F12C", "F12D", "F12E", "F12F"}, {"6", "11", "12 fat", "17", "21 fat", "22"}},
    {"Deciduous 3", 1, {"F13A", "F13B", "F13C", "F13D", "F13E", "F13F"}, {"8", "13", "14 fat", "18", "22 fat", "24"}},
    {"Deciduous 4", 1, {"F14A", "F14B", "F14C", "F14D", "F14E", "F14F"}, {"8", "13", "14 fat", "18", "22 fat", "24"}},
    {"Evergreen 1", 1, {"F21A", "F21B", "F21C", "F21D", "F21E", "F21F"}, {"5 fat", "8 fat", "11", "14", "16 fat", "20"}},
    {"Evergreen 3", 1, {"F23A", "F23B", "F23C", "F23D", "F23E", "F23F", "E230"}, {"5", "7", "9", "11", "14", "18", "19 slim"}},
    {"Evergreen 4", 1, {"F24A", "F24B", "F24C", "F24D", "F24E", "F24F", "E240"}, {"5", "7 fat", "9", "12", "15 fat", "18", "22 slim"}},
    {"Conifer 1", 6, {"F31A", "F31B", "F31C", "F31D", "F31E", "F31F"}, {"7 fat", "10 fat", "13", "16", "17 fat", "24"}},
    {"Conifer 2", 6, {"F32A", "F32B", "F32D", "F32E", "F32F", "E320"}, {"8", "12", "17", "19 fat", "23", "29"}},
    {"Conifer 3", 6, {"F33A", "F33B", "F33C", "F33D", "F33E", "F33F", "E330"}, {"7 fat", "12 fat", "13", "17", "19 fat", "23", "30 slim"}},
    {"Conifer 4", 6, {"F34A", "F34B", "F34C", "F34D", "F34E", "F34F", "E340"}, {"8 fat", "12", "16.5 fat", "17", "22", "28", "35 slim"}},
    {"Bush", 13, {"F41A", "F41B", "F41D", "F41E", "F41F"}, {"1.5", "2.2 fat", "3", "4.5", "6.5"}},
    {"Cactus", 9, {"F42A", "F42B", "F42C", "F42D", "F42E", "F42F"}, {"2 fat", "3", "4 fat", "5", "6 fat", "8"}},
    {"Shrub 1", 9, {"F51A", "F51B", "F51C", "F51D", "F51E", "F51F"}, {"1.5", "2", "2.2 fat", "3", "4 fat", "6"}},
    {"Shrub 2", 9, {"F52A", "F52B", "F52C", "F52D", "F52E", "F52F"}, {"1.5", "2.5", "3 fat", "4", "6", "8 slim"}},
    {"Shrub 3", 9, {"F53A", "F53B", "F53D", "F53E", "F53F"}, {"1.5 fat", "2.8", "4", "5 fat", "7"}},
    // Second library, entries 98 to 198.
    {"Tree broad", 5, {"F11B", "F11C", "F11D", "F11E", "F11F"}, {"10", "15", "19", "22slim", "25slim"}},
    {"Tree canopy", 4, {"F12B", "F12C", "F12D", "F12E", "F12F"}, {"10fat", "14", "18", "21slim", "23slim"}},
    {"Tree column", 4, {"F13B", "F13C", "F13D", "F13E", "F13F"}, {"12", "16", "19", "22", "25"}},
    {"Tree conic", 5, {"F14B", "F14C", "F14D", "F14E", "F14F"}, {"12", "16", "19", "22", "25slim"}},
    {"Tree irreg", 5, {"F15B", "F15C", "F15D", "F15E", "F15F"}, {"12", "16", "19", "22", "25slim"}},
    {"Tree oval", 6, {"F16B", "F16C", "F16D", "F16E", "F16F"}, {"12", "16", "19", "22", "25"}},
    {"Tree round", 5, {"F17B", "F17C", "F17D", "F17E", "F17F"}, {"12", "16", "19", "22", "25"}},
    {"Tree vase", 6, {"F18B", "F18C", "F18D", "F18E", "F18F"}, {"12", "16", "19", "22", "25"}},
    {"Tree weep", 6, {"F19B", "F19C", "F19D", "F19E", "F19F"}, {"12", "16", "19", "22", "25"}},
    {"Conifer broad", 2, {"F31B", "F31C", "F31D", "F31E", "F31F"}, {"12", "16", "19", "22", "26"}},
    {"Conifer canopy", 1, {"F32B", "F32C", "F32D", "F32E", "F32F"}, {"11", "15", "18", "19fat", "23fat"}},
    {"Conifer column", 1, {"F33B", "F33C", "F33D", "F33E", "F33F"}, {"11", "15", "18", "21", "24"}},
    {"Conifer conic", 2, {"F34B", "F34C", "F34D", "F34E", "F34F"}, {"10", "15", "20", "25", "30slim"}},
    {"Conifer irreg", 2, {"F35B", "F35C", "F35D", "F35E", "F35F"}, {"12", "16", "19", "22", "26"}},
    {"Conifer oval", 3, {"F36B", "F36C", "F36D", "F36E", "F36F"}, {"12", "16", "19", "22", "26"}},
    {"Conifer round", 2, {"F37B", "F37C", "F37D", "F37E", "F37F"}, {"12", "16", "19", "22", "26"}},
    {"Conifer vase", 3, {"F38B", "F38C", "F38D", "F38E", "F38F"}, {"12", "16", "19", "22", "26"}},
    {"Conifer weep", 3, {"F39B", "F39C", "F39D", "F39E", "F39F"}, {"12", "16", "19", "23", "27"}},
    {"Tree palmate", 3, {"F61A", "F61B", "F61C", "F61D", "F61E", "F61F"}, {"09", "12", "16", "19", "23slim", "27slim"}},
    {"Tree pinnate", 3, {"F62B", "F62C", "F62D", "F62E", "F62F"}, {"10", "15", "19", "24", "29"}},
}};

// Every place has both a tail and a height or neither, the 16 default models fill exactly the
// default library's entries, and the whole table exactly the catalogue.
constexpr bool RangesFillTheCatalogue() {
    std::size_t total = 0;
    for (std::size_t r = 0; r < ranges.size(); ++r) {
        for (std::size_t n = 0; n < maxRangeLength; ++n) {
            if ((ranges[r].tails[n] == nullptr) != (ranges[r].heights[n] == nullptr)) {
                return false;
            }
            total += ranges[r].tails[n] != nullptr ? 1 : 0;
        }
        if (r == 15 && total != TreeCatalogue::defaultLibraryCount) {
            return false;
        }
    }
    return total == TreeCatalogue::entryCount;
}
static_assert(RangesFillTheCatalogue());

struct Entries {
    std::array<std::string, TreeCatalogue::entryCount> guids;
    std::array<std::string, TreeCatalogue::entryCount> names;
};

Entries BuildEntries() {
    Entries entries;
    std::size_t index = 0;
    for (const Range& range : ranges) {
        for (std::size_t n = 0; n < maxRangeLength && range.tails[n] != nullptr; ++n, ++index) {
            const bool defaultLibrary = index < TreeCatalogue::defaultLibraryCount;
            entries.guids[index] = std::string(defaultLibrary ? defaultLibraryPrefix : secondLibraryPrefix) + range.tails[n];
            entries.names[index] = std::string(range.stem) + std::string(static_cast<std::size_t>(range.blankCount), ' ') +
                                   "- " + range.heights[n];
        }
    }
    return entries;
}

// Built once, on first use, and shared by every catalogue.
const Entries& AllEntries() {
    static const Entries entries = BuildEntries();
    return entries;
}

const std::string& EntryText(const std::array<std::string, TreeCatalogue::entryCount>& column, std::int64_t index) {
    static const std::string none;
    if (index < 0 || index >= TreeCatalogue::entryCount) {
        return none;
    }
    return column[static_cast<std::size_t>(index)];
}

}  // namespace

std::string TreeCatalogue::GuidForEntry(int baseIndex, int offset) const {
    // Summed wide so that no pair of ints can overflow into a valid index.
    return EntryText(AllEntries().guids, std::int64_t{baseIndex} + offset);
}

std::string TreeCatalogue::NameForGuid(const std::string& guid) const {
    const Entries& entries = AllEntries();
    for (std::size_t i = 0; i < entries.guids.size(); ++i) {
        if (entries.guids[i] == guid) {
            return entries.names[i];
        }
    }
    return {};
}

const std::string& TreeCatalogue::NameAt(int index) const { return EntryText(AllEntries().names, index); }

const std::string& TreeCatalogue::GuidAt(int index) const { return EntryText(AllEntries().guids, index); }

int TreeCatalogue::FirstEntryOf(std::string_view model) const {
    int first = 0;
    for (const Range& range : ranges) {
        if (model == range.stem) {
            return first;
        }
        for (std::size_t n = 0; n < maxRangeLength && range.tails[n] != nullptr; ++n) {
            ++first;
        }
    }
    return -1;
}
