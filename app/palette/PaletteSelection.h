#pragma once

#include <QString>

// What a palette page's Plant button plants: nothing yet, one catalogue tree (entry baseIndex +
// heightIndex, a height of `model`), or the copse pattern.
struct PaletteSelection {
    enum class Choice { Nothing, Tree, Copse };
    Choice choice = Choice::Nothing;
    int baseIndex = 0;
    int heightIndex = 0;
    QString model;
};
