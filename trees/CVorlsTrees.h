#pragma once

#include "trees/CPalettePage.h"

// The second library's palette, "Vorl's Texures": 20 photographed models, each labelled below.
class CVorlsTrees : public CPalettePage {
    Q_OBJECT

public:
    explicit CVorlsTrees(CTopDialog* window);

    static const PaletteTable& Table();
};
