#pragma once

#include "trees/CPalettePage.h"

// The default library's palette, "Default Textures": 16 drawn models in five rows.
class CPlaceTreesDlg : public CPalettePage {
    Q_OBJECT

public:
    explicit CPlaceTreesDlg(CTopDialog* window);

    static const PaletteTable& Table();
};
