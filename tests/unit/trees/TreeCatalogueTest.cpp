#include "trees/TreeCatalogue.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <set>
#include <string>

namespace {

// A name's stem before its "- " and the height text after it.
std::pair<std::string, double> StemAndHeight(const std::string& name) {
    const std::size_t dash = name.find("- ");
    return {name.substr(0, name.find_last_not_of(' ', dash - 1) + 1), std::atof(name.c_str() + dash + 2)};
}

}  // namespace

TEST(TreeCatalogue, EntriesAreDistinctWellFormedAndInHeightOrder) {
    const TreeCatalogue catalogue;
    ASSERT_EQ(catalogue.Count(), 199);
    std::set<std::string> guids, names;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const std::string& guid = catalogue.GuidAt(i);
        ASSERT_EQ(guid.size(), 32u) << i;
        EXPECT_EQ(guid.find_first_not_of("0123456789ABCDEF"), std::string::npos) << i << " " << guid;
        EXPECT_EQ(guid.substr(0, 28), i < 98 ? "67707891DBC1CC0D5F111EE9C4CB" : "67677891DBC1CC0D5F111EE9C4CB") << i;
        EXPECT_EQ(catalogue.GuidForEntry(i, 0), guid);
        const std::string& name = catalogue.NameAt(i);
        ASSERT_NE(name.find("- "), std::string::npos) << i;
        EXPECT_NE(name.front(), ' ') << i;
        EXPECT_NE(name.back(), ' ') << i;
        // Each model's heights are consecutive entries, lowest first.
        const auto [stem, height] = StemAndHeight(name);
        if (i > 0 && StemAndHeight(catalogue.NameAt(i - 1)).first == stem) {
            EXPECT_LT(StemAndHeight(catalogue.NameAt(i - 1)).second, height) << name;
        }
        EXPECT_TRUE(guids.insert(guid).second) << "duplicate GUID at " << i;
        EXPECT_TRUE(names.insert(name).second) << "duplicate name at " << i;
    }
}

TEST(TreeCatalogue, LookupsOutsideTheTableGiveNothing) {
    const TreeCatalogue catalogue;
    const std::pair<int, int> sums[] = {{-1, 0}, {199, 0}, {100, 99}, {INT_MAX, 1}, {INT_MIN, -1}, {INT_MAX, INT_MAX}};
    for (const auto& [base, offset] : sums) {
        EXPECT_EQ(catalogue.GuidForEntry(base, offset), "") << base << " + " << offset;
    }
    EXPECT_EQ(catalogue.GuidForEntry(INT_MAX, -INT_MAX), catalogue.GuidAt(0));
    EXPECT_EQ(catalogue.GuidForEntry(56, 6), catalogue.GuidAt(62));
    EXPECT_EQ(catalogue.NameAt(-1), "");
    EXPECT_EQ(catalogue.NameAt(199), "");
    EXPECT_EQ(catalogue.GuidAt(199), "");
}

TEST(TreeCatalogue, NameForGuidMatchesWholeGuidsExactly) {
    const TreeCatalogue catalogue;
    for (int i = 0; i < catalogue.Count(); ++i) {
        EXPECT_EQ(catalogue.NameForGuid(catalogue.GuidAt(i)), catalogue.NameAt(i)) << i;
    }
    const std::string known = catalogue.GuidAt(62);
    std::string lowerCase = known;
    for (char& c : lowerCase) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const std::string& guid :
         {lowerCase, known.substr(0, 31), known + "0", known + " ", known + '\0', std::string()}) {
        EXPECT_EQ(catalogue.NameForGuid(guid), "") << '"' << guid << '"';
    }
}
