// Every picture button of both palettes against the catalogue: the model it names exists, its base
// index is the one the palettes have always planted, and its heights are the model's heights in
// catalogue order.
#include <gtest/gtest.h>

#include <QString>
#include <map>
#include <string>

#include "app/palette/CPlaceTreesDlg.h"
#include "app/palette/CVorlsTrees.h"
#include "trees/TreeCatalogue.h"

namespace {

// The catalogue entry each button's first height selects.
const std::map<int, int> baseIndices = {
    {1000, 0},   {1001, 6},   {1002, 12},  {1003, 18},  {1004, 24},  {1005, 30},  {1006, 37},  {1007, 44},
    {1008, 50},  {1009, 56},  {1010, 63},  {1011, 70},  {1012, 75},  {1013, 81},  {1014, 87},  {1015, 93},
    {1029, 113}, {1030, 108}, {1031, 123}, {1032, 118}, {1033, 128}, {1034, 133}, {1035, 98},  {1036, 138},
    {1037, 188}, {1038, 194}, {1039, 103}, {1040, 148}, {1041, 158}, {1042, 153}, {1043, 183}, {1044, 163},
    {1045, 173}, {1046, 168}, {1047, 143}, {1048, 178}};

// A height as the catalogue's name spells it and as the Height list shows it compare alike: letter case,
// blanks and leading zeros aside ("22slim" and "22 Slim", "09" and "9").
QString HeightKey(const std::string& text) {
    QString key = QString::fromStdString(text).toLower().remove(QLatin1Char(' '));
    while (key.size() > 1 && key.startsWith(QLatin1Char('0')) && key[1].isDigit()) {
        key.remove(0, 1);
    }
    return key;
}

// The model stem and height of a catalogue name ("Conifer 3      - 7 fat").
std::pair<std::string, std::string> StemAndHeight(const std::string& name) {
    const std::size_t dash = name.find("- ");
    if (dash == std::string::npos || dash == 0) {
        return {name, {}};
    }
    return {name.substr(0, name.find_last_not_of(' ', dash - 1) + 1), name.substr(dash + 2)};
}

}  // namespace

TEST(PaletteTables, EveryRowMatchesTheCatalogue) {
    const TreeCatalogue catalogue;
    std::size_t rows = 0;
    for (const PaletteTable* table : {&CPlaceTreesDlg::Table(), &CVorlsTrees::Table()}) {
        for (const TreeButtonRow& row : table->buttons) {
            ++rows;
            SCOPED_TRACE(row.controlId);
            ASSERT_TRUE(baseIndices.contains(row.controlId));
            const int base = row.BaseIndex();
            EXPECT_EQ(base, baseIndices.at(row.controlId));
            ASSERT_GE(base, 0);
            for (std::size_t n = 0; n < row.heights.size(); ++n) {
                const auto [stem, height] = StemAndHeight(catalogue.NameAt(base + static_cast<int>(n)));
                EXPECT_EQ(stem, row.model);
                EXPECT_EQ(HeightKey(height), HeightKey(row.heights[n])) << n;
            }
            // The list holds all of the model's heights: the entry after it is another model's.
            EXPECT_NE(StemAndHeight(catalogue.NameAt(base + static_cast<int>(row.heights.size()))).first, row.model);
        }
    }
    EXPECT_EQ(rows, baseIndices.size());
}
