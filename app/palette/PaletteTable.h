#pragma once

#include <vector>

// One picture button of a palette: where it sits in the grid (its bitmaps are named after the place),
// the catalogue model it chooses (its name is also what the Tree type box shows), the Height box's
// first text and the heights of the list, whose n-th entry selects the model's n-th catalogue entry.
struct TreeButtonRow {
    int controlId;
    int row;
    int column;
    const char* model;
    const char* firstHeight;
    std::vector<const char*> heights;

    // The catalogue entry of the model's first height.
    int BaseIndex() const;
};

struct PaletteTable {
    const char* bitmapPrefix;  // "TREE" or "V", followed by row, column and U or D
    std::vector<TreeButtonRow> buttons;
};
