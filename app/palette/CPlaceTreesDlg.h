#pragma once

#include "app/palette/CPalettePage.h"

// The default library's palette, "Default Textures": 16 drawn models in five rows.
class CPlaceTreesDlg : public CPalettePage {
    Q_OBJECT

public:
    CPlaceTreesDlg(CDialogs& dialogs, QWidget* parent);

    static const PaletteTable& Table();
};
