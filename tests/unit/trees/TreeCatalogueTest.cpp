#include "trees/TreeCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string defaultPrefix = "67707891DBC1CC0D5F111EE9C4CB";
const std::string secondPrefix = "67677891DBC1CC0D5F111EE9C4CB";

std::string Tail(int index) { return TreeCatalogue().GuidAt(index).substr(28); }

// A name split at its "- ": the stem, the blank run's length and the height text.
struct NameParts {
    std::string stem;
    std::size_t blanks = 0;
    std::string height;
};

NameParts Split(const std::string& name) {
    const std::size_t dash = name.find("- ");
    const std::size_t stemEnd = name.find_last_not_of(' ', dash - 1) + 1;
    return {name.substr(0, stemEnd), dash - stemEnd, name.substr(dash + 2)};
}

}  // namespace

TEST(TreeCatalogue, AnchorEntriesHaveTheirLibraryGuids) {
    const TreeCatalogue catalogue;
    struct Case {
        int base;
        int offset;
        const char* guid;
    };
    const Case cases[] = {
        {0, 0, "67707891DBC1CC0D5F111EE9C4CBF11A"},   {97, 0, "67707891DBC1CC0D5F111EE9C4CBF53F"},
        {98, 0, "67677891DBC1CC0D5F111EE9C4CBF11B"},  {198, 0, "67677891DBC1CC0D5F111EE9C4CBF62F"},
        {56, 6, "67707891DBC1CC0D5F111EE9C4CBE330"},  {50, 5, "67707891DBC1CC0D5F111EE9C4CBE320"},
        {6, 0, "67707891DBC1CC0D5F111EE9C4CBF12A"},   {0, 6, "67707891DBC1CC0D5F111EE9C4CBF12A"},
        {INT_MAX, -INT_MAX, "67707891DBC1CC0D5F111EE9C4CBF11A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(catalogue.GuidForEntry(c.base, c.offset), c.guid) << c.base << " + " << c.offset;
    }
}

TEST(TreeCatalogue, SumsOutsideTheTableGiveNoGuid) {
    const TreeCatalogue catalogue;
    const std::pair<int, int> sums[] = {{-1, 0}, {0, -1}, {199, 0}, {100, 99}, {INT_MAX, 1}, {INT_MIN, -1}, {INT_MAX, INT_MAX}};
    for (const auto& [base, offset] : sums) {
        EXPECT_EQ(catalogue.GuidForEntry(base, offset), "") << base << " + " << offset;
    }
    EXPECT_EQ(catalogue.NameAt(-1), "");
    EXPECT_EQ(catalogue.NameAt(199), "");
    EXPECT_EQ(catalogue.GuidAt(199), "");
}

TEST(TreeCatalogue, GuidsAreUpperCaseHexWithTheirLibraryPrefixAndAllDistinct) {
    const TreeCatalogue catalogue;
    ASSERT_EQ(catalogue.Count(), 199);
    std::set<std::string> guids;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const std::string& guid = catalogue.GuidAt(i);
        ASSERT_EQ(guid.size(), 32u) << i;
        EXPECT_EQ(guid.find_first_not_of("0123456789ABCDEF"), std::string::npos) << i << " " << guid;
        EXPECT_EQ(guid.substr(0, 28), i < 98 ? defaultPrefix : secondPrefix) << i;
        EXPECT_EQ(catalogue.GuidForEntry(i, 0), guid);
        guids.insert(guid);
    }
    EXPECT_EQ(guids.size(), 199u);
}

// Tails are F, two digits that stay the same within a model, and the sizes in order: from A in the
// default library, which has E<digits>0 for a seventh height and no C in three models; from B in
// the second library (from A for the six heights of Tree palmate), whose digits are the group
// (1 Tree, 3 Conifer, 6 palm) and the shape's series.
TEST(TreeCatalogue, TailsFollowTheLibraryRulesWithTheirExceptions) {
    const std::vector<std::string> shapes = {"broad", "canopy", "column", "conic", "irreg", "oval", "round", "vase", "weep"};
    const std::set<std::string> withoutC = {"Conifer 2", "Bush", "Shrub 3"};
    const TreeCatalogue catalogue;
    int first = 0;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const std::string stem = Split(catalogue.NameAt(i)).stem;
        if (i == 98 || stem != Split(catalogue.NameAt(first)).stem) {
            first = i;
        }
        std::string digits = Tail(first).substr(1, 2);
        char size = static_cast<char>((i < 98 || stem == "Tree palmate" ? 'A' : 'B') + (i - first));
        if (withoutC.count(stem) != 0 && size >= 'C') {
            ++size;
        }
        if (i >= 98) {
            const std::string shape = stem.substr(stem.find(' ') + 1);
            const auto series = std::find(shapes.begin(), shapes.end(), shape) - shapes.begin() + 1;
            digits = stem == "Tree palmate" ? "61" : stem == "Tree pinnate" ? "62"
                     : (stem.rfind("Tree", 0) == 0 ? "1" : "3") + std::to_string(series);
        }
        const std::string expected = size > 'F' ? "E" + digits + "0" : "F" + digits + size;
        EXPECT_EQ(Tail(i), expected) << "entry " << i << " " << catalogue.NameAt(i);
    }
    // The exceptions spelled out, so the rule above cannot hide them.
    EXPECT_EQ(Tail(36), "E230");
    EXPECT_EQ(Tail(43), "E240");
    EXPECT_EQ(Tail(55), "E320");
    EXPECT_EQ(Tail(62), "E330");
    EXPECT_EQ(Tail(69), "E340");
    EXPECT_EQ(Tail(72), "F41D");
    EXPECT_EQ(Tail(95), "F53D");
}

// Each model: where its entries begin, how many there are, and how far its name stem is padded.
TEST(TreeCatalogue, ModelsStartWhereExpectedWithTheirBlankRuns) {
    struct Model {
        int first;
        int count;
        const char* stem;
        std::size_t blanks;
    };
    const Model models[] = {
        {0, 6, "Deciduous 1", 1},      {6, 6, "Deciduous 2", 1},     {12, 6, "Deciduous 3", 1},
        {18, 6, "Deciduous 4", 1},     {24, 6, "Evergreen 1", 1},    {30, 7, "Evergreen 3", 1},
        {37, 7, "Evergreen 4", 1},     {44, 6, "Conifer 1", 6},      {50, 6, "Conifer 2", 6},
        {56, 7, "Conifer 3", 6},       {63, 7, "Conifer 4", 6},      {70, 5, "Bush", 13},
        {75, 6, "Cactus", 9},          {81, 6, "Shrub 1", 9},        {87, 6, "Shrub 2", 9},
        {93, 5, "Shrub 3", 9},         {98, 5, "Tree broad", 5},     {103, 5, "Tree canopy", 4},
        {108, 5, "Tree column", 4},    {113, 5, "Tree conic", 5},    {118, 5, "Tree irreg", 5},
        {123, 5, "Tree oval", 6},      {128, 5, "Tree round", 5},    {133, 5, "Tree vase", 6},
        {138, 5, "Tree weep", 6},      {143, 5, "Conifer broad", 2}, {148, 5, "Conifer canopy", 1},
        {153, 5, "Conifer column", 1}, {158, 5, "Conifer conic", 2}, {163, 5, "Conifer irreg", 2},
        {168, 5, "Conifer oval", 3},   {173, 5, "Conifer round", 2}, {178, 5, "Conifer vase", 3},
        {183, 5, "Conifer weep", 3},   {188, 6, "Tree palmate", 3},  {194, 5, "Tree pinnate", 3},
    };
    const TreeCatalogue catalogue;
    int next = 0;
    for (const Model& model : models) {
        EXPECT_EQ(model.first, next) << model.stem;
        for (int i = model.first; i < model.first + model.count; ++i) {
            const NameParts parts = Split(catalogue.NameAt(i));
            EXPECT_EQ(parts.stem, model.stem) << "entry " << i;
            EXPECT_EQ(parts.blanks, model.blanks) << "entry " << i;
        }
        next = model.first + model.count;
    }
    EXPECT_EQ(next, 199);
}

TEST(TreeCatalogue, NamesAreDistinctTrimmedAndRiseInHeightWithinAModel) {
    const TreeCatalogue catalogue;
    std::set<std::string> names;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const std::string& name = catalogue.NameAt(i);
        names.insert(name);
        ASSERT_FALSE(name.empty()) << i;
        EXPECT_NE(name.front(), ' ') << i;
        EXPECT_NE(name.back(), ' ') << i;
        const NameParts parts = Split(name);
        // A blank between number and word in the default library ("12 fat"), none in the second ("10fat").
        const bool hasWord = parts.height.find_first_of("fs") != std::string::npos;
        if (hasWord) {
            EXPECT_EQ(parts.height.find(' ') != std::string::npos, i < 98) << name;
        }
        if (i > 0 && Split(catalogue.NameAt(i - 1)).stem == parts.stem) {
            EXPECT_LT(std::atof(Split(catalogue.NameAt(i - 1)).height.c_str()), std::atof(parts.height.c_str())) << name;
        }
    }
    EXPECT_EQ(names.size(), 199u);
}

TEST(TreeCatalogue, ListedNamesComeOutExactly) {
    const TreeCatalogue catalogue;
    EXPECT_EQ(catalogue.NameAt(0), "Deciduous 1 - 6");
    EXPECT_EQ(catalogue.NameAt(44), "Conifer 1      - 7 fat");
    EXPECT_EQ(catalogue.NameAt(65), "Conifer 4      - 16.5 fat");
    EXPECT_EQ(catalogue.NameAt(70), "Bush             - 1.5");
    EXPECT_EQ(catalogue.NameAt(103), "Tree canopy    - 10fat");
    EXPECT_EQ(catalogue.NameAt(148), "Conifer canopy - 11");
    EXPECT_EQ(catalogue.NameAt(188), "Tree palmate   - 09");
    EXPECT_EQ(catalogue.NameAt(198), "Tree pinnate   - 29");
}

TEST(TreeCatalogue, NameForGuidMatchesWholeGuidsExactly) {
    const TreeCatalogue catalogue;
    EXPECT_EQ(catalogue.NameForGuid("67707891DBC1CC0D5F111EE9C4CBE330"), "Conifer 3      - 30 slim");
    for (int i = 0; i < catalogue.Count(); ++i) {
        EXPECT_EQ(catalogue.NameForGuid(catalogue.GuidAt(i)), catalogue.NameAt(i)) << i;
    }
    const char* unknown[] = {
        "67707891dbc1cc0d5f111ee9c4cbe330",   // lower case
        "67707891DBC1CC0D5F111EE9C4CBe330",   // one letter lower case
        "",
        "67707891DBC1CC0D5F111EE9C4CBE33",    // short
        "67707891DBC1CC0D5F111EE9C4CBE3300",  // long
        "67707891DBC1CC0D5F111EE9C4CBE330 ",  // trailing blank
        "67707891DBC1CC0D5F111EE9C4CBF41C",   // the skipped Bush size
        "67677891DBC1CC0D5F111EE9C4CBF11A",   // second library has no A size for Tree broad
    };
    for (const char* guid : unknown) {
        EXPECT_EQ(catalogue.NameForGuid(guid), "") << '"' << guid << '"';
    }
    EXPECT_EQ(catalogue.NameForGuid(std::string("67707891DBC1CC0D5F111EE9C4CBE330\0", 33)), "");
}
