#include "app/palette/CPlaceTreesDlg.h"

#include "ui_CPlaceTreesDlg.h"

const PaletteTable& CPlaceTreesDlg::Table() {
    static const PaletteTable table{
        "TREE",
        {
            {1000, 1, 1, "Deciduous 1", "6", {"6", "11", "12 Fat", "17", "21 Fat", "22"}},
            {1001, 1, 2, "Deciduous 2", "6", {"6", "11", "12 Fat", "17", "21 Fat", "22"}},
            {1002, 1, 3, "Deciduous 3", "8", {"8", "13", "14 Fat", "18", "22 Fat", "24"}},
            {1003, 1, 4, "Deciduous 4", "8", {"8", "13", "14 Fat", "18", "22 Fat", "24"}},
            {1004, 2, 1, "Evergreen 1", "5 Fat", {"5 Fat", "8 Fat", "11", "14", "16 Fat", "20"}},
            {1005, 2, 3, "Evergreen 3", "5", {"5", "7", "9", "11", "14", "18", "19 Slim"}},
            {1006, 2, 4, "Evergreen 4", "5", {"5", "7 Fat", "9", "12", "15 Fat", "18", "22 Slim"}},
            {1007, 3, 1, "Conifer 1", "7", {"7 Fat", "10 Fat", "13", "16", "17 Fat", "24"}},
            {1008, 3, 2, "Conifer 2", "8", {"8", "12", "17", "19 Fat", "23", "29"}},
            {1009, 3, 3, "Conifer 3", "7 Fat", {"7 Fat", "12 Fat", "13", "17", "19 Fat", "23", "30 Slim"}},
            {1010, 3, 4, "Conifer 4", "8 Fat", {"8 Fat", "12", "16.5 Fat", "17", "22", "28", "35 Slim"}},
            {1011, 4, 1, "Bush", "1.5", {"1.5", "2.2 Fat", "3", "4.5", "6.5"}},
            {1012, 4, 2, "Cactus", "2 Fat", {"2 Fat", "3", "4 Fat", "5", "6 Fat", "8"}},
            {1013, 5, 1, "Shrub 1", "1.5", {"1.5", "2", "2.2 Fat", "3", "4 Fat", "6"}},
            {1014, 5, 2, "Shrub 2", "1.5", {"1.5", "2.5", "3 Fat", "4", "6", "8 Slim"}},
            {1015, 5, 3, "Shrub 3", "1.5 Fat", {"1.5 Fat", "2.8", "4", "5 Fat", "7"}},
        }};
    return table;
}

CPlaceTreesDlg::CPlaceTreesDlg(CDialogs& pageDialogs, QWidget* parent) : CPalettePage(Table(), pageDialogs, parent) {
    Ui::CPlaceTreesDlg().setupUi(this);
    BindControls();
}
