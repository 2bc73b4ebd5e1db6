#include "app/palette/PaletteTable.h"

#include "trees/TreeCatalogue.h"

int TreeButtonRow::BaseIndex() const { return TreeCatalogue().FirstEntryOf(model); }
