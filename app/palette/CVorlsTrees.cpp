#include "app/palette/CVorlsTrees.h"

#include "ui_CVorlsTrees.h"

const PaletteTable& CVorlsTrees::Table() {
    static const PaletteTable table{
        "V",
        {
            {1029, 1, 1, "Tree conic", "12", {"12", "16", "19", "22", "25 Slim"}},
            {1030, 1, 2, "Tree column", "12", {"12", "16", "19", "22", "25"}},
            {1031, 1, 3, "Tree oval", "12", {"12", "16", "19", "22", "25"}},
            {1032, 1, 4, "Tree irreg", "12", {"12", "16", "19", "22", "25 Slim"}},
            {1033, 2, 1, "Tree round", "12", {"12", "16", "19", "22", "25"}},
            {1034, 2, 2, "Tree vase", "12", {"12", "16", "19", "22", "25"}},
            {1035, 2, 3, "Tree broad", "10", {"10", "15", "19", "22 Slim", "25 Slim"}},
            {1036, 2, 4, "Tree weep", "12", {"12", "16", "19", "22", "25"}},
            {1037, 3, 1, "Tree palmate", "9", {"9", "12", "16", "19", "23 Slim", "27 Slim"}},
            {1038, 3, 2, "Tree pinnate", "10", {"10", "15", "19", "24", "29"}},
            {1039, 3, 3, "Tree canopy", "10 fat", {"10 fat", "14", "18", "21 Slim", "23 Slim"}},
            {1040, 3, 4, "Conifer canopy", "11", {"11", "15", "18", "19 Fat", "23 Fat"}},
            {1041, 4, 1, "Conifer conic", "10", {"10", "15", "20", "25", "30 Slim"}},
            {1042, 4, 2, "Conifer column", "11", {"11", "15", "18", "21", "24"}},
            {1043, 4, 3, "Conifer weep", "12", {"12", "16", "19", "23", "27"}},
            {1044, 4, 4, "Conifer irreg", "12", {"12", "16", "19", "22", "26"}},
            {1045, 5, 1, "Conifer round", "12", {"12", "16", "19", "22", "26"}},
            {1046, 5, 2, "Conifer oval", "12", {"12", "16", "19", "22", "26"}},
            {1047, 5, 3, "Conifer broad", "12", {"12", "16", "19", "22", "26"}},
            {1048, 5, 4, "Conifer vase", "12", {"12", "16", "19", "22", "26"}},
        }};
    return table;
}

CVorlsTrees::CVorlsTrees(CDialogs& pageDialogs, QWidget* parent) : CPalettePage(Table(), pageDialogs, parent) {
    Ui::CVorlsTrees().setupUi(this);
    BindControls();
}
