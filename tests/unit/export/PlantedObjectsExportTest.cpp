#include "document/PlantedObjectsExport.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TemporaryFolder.h"
#include "trees/TreeCatalogue.h"

namespace {

// Positions that round differently at the 7th decimal, near the meridian, the antimeridian and the poles.
PlantingList Objects() {
    const TreeCatalogue catalogue;
    PlantingList list;
    list.AppendUnchecked(47.12345675, 8.00000004, catalogue.GuidAt(0));
    list.AppendUnchecked(-33.99999995, -151.25, catalogue.GuidAt(TreeCatalogue::defaultLibraryCount));
    list.AppendUnchecked(89.9999999, 179.9999999, catalogue.GuidAt(TreeCatalogue::entryCount - 1));
    list.AppendUnchecked(-0.00000001, -180.0, "0123456789ABCDEF0123456789ABCDEF");
    return list;
}

struct Placemark {
    std::string name;
    double longitude = 0.0;
    double latitude = 0.0;
};

std::string Text(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content != nullptr ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

bool Named(const xmlNode* node, const char* name) {
    return std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

void CollectPlacemarks(xmlNode* node, std::vector<Placemark>& into) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && Named(node, "Placemark")) {
            Placemark mark;
            for (xmlNode* child = node->children; child != nullptr; child = child->next) {
                if (Named(child, "name")) {
                    mark.name = Text(child);
                } else if (Named(child, "Point")) {
                    std::istringstream coordinates(Text(child));
                    char comma = 0;
                    coordinates >> mark.longitude >> comma >> mark.latitude;
                }
            }
            into.push_back(mark);
        }
        CollectPlacemarks(node->children, into);
    }
}

// RFC 4180 rows: quoted fields may hold commas and doubled quotes.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                rows.back().back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                rows.back().back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\n') {
            rows.emplace_back(1);
        } else if (c != '\r') {
            rows.back().back() += c;
        }
    }
    if (rows.back().size() == 1 && rows.back().front().empty()) {
        rows.pop_back();
    }
    return rows;
}

}  // namespace

TEST(PlantedObjectsExport, KmlParsesAndGivesBackEveryPositionAndName) {
    const PlantingList list = Objects();
    const std::string kml = PlantedObjectsKml(list);
    xmlDoc* document =
        xmlReadMemory(kml.data(), static_cast<int>(kml.size()), "planted.kml", nullptr, XML_PARSE_NONET);
    ASSERT_NE(document, nullptr);
    xmlNode* root = xmlDocGetRootElement(document);
    EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "kml");
    std::vector<Placemark> marks;
    CollectPlacemarks(root, marks);
    xmlFreeDoc(document);
    ASSERT_EQ(marks.size(), list.Count());
    const std::string names[] = {
        "Deciduous 1 - 6",
        ModelAndHeightOf(list.GuidViewAt(1)).model + " - " + ModelAndHeightOf(list.GuidViewAt(1)).height,
        ModelAndHeightOf(list.GuidViewAt(2)).model + " - " + ModelAndHeightOf(list.GuidViewAt(2)).height,
        "0123456789ABCDEF0123456789ABCDEF"};
    for (std::size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(marks[i].name, names[i]) << i;
        EXPECT_NEAR(marks[i].latitude, list.LatitudeAt(i), 1e-7) << i;
        EXPECT_NEAR(marks[i].longitude, list.LongitudeAt(i), 1e-7) << i;
    }
}

TEST(PlantedObjectsExport, CsvRowsNumberEveryObjectWithItsPositionAndKind) {
    const PlantingList list = Objects();
    // A locale with a decimal comma must not reach the numbers.
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const auto rows = CsvRows(PlantedObjectsCsv(list));
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(rows.size(), list.Count() + 1);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"number", "latitude", "longitude", "guid", "model", "height"}));
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const auto& row = rows[i + 1];
        ASSERT_EQ(row.size(), 6u) << i;
        EXPECT_EQ(row[0], std::to_string(i + 1));
        EXPECT_NEAR(std::strtod(row[1].c_str(), nullptr), list.LatitudeAt(i), 1e-7) << row[1];
        EXPECT_NEAR(std::strtod(row[2].c_str(), nullptr), list.LongitudeAt(i), 1e-7) << row[2];
        EXPECT_EQ(row[3], list.GuidAt(i));
        const ModelAndHeight kind = ModelAndHeightOf(list.GuidViewAt(i));
        EXPECT_EQ(row[4], kind.model);
        EXPECT_EQ(row[5], kind.height);
    }
    EXPECT_EQ(rows[1][4], "Deciduous 1");
    EXPECT_EQ(rows[1][5], "6");
    EXPECT_EQ(rows[4][4], "");
}

// Through a regular file, which fails for every user, the superuser included; an export over an older
// file replaces it.
TEST(PlantedObjectsExport, AFolderThatCannotBeWrittenIsReported) {
    TemporaryFolder folder;
    folder.Write("notafolder", "older");
    EXPECT_TRUE(WriteExportFile(folder.Path() / "notafolder" / "planted.kml", "new"));
    EXPECT_EQ(folder.Read("notafolder"), "older");
    folder.Write("planted.csv", "older");
    EXPECT_FALSE(WriteExportFile(folder.Path("planted.csv"), "new"));
    EXPECT_EQ(folder.Read("planted.csv"), "new");
}
