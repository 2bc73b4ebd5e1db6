#pragma once

#include "app/palette/CPalettePage.h"

// The second library's palette, "Vorl's Texures": 20 photographed models, each labelled below.
class CVorlsTrees : public CPalettePage {
    Q_OBJECT

public:
    CVorlsTrees(CDialogs& dialogs, QWidget* parent);

    static const PaletteTable& Table();
};
