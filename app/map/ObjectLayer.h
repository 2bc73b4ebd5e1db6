#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

#include "app/map/MapObjectIndex.h"
#include "app/map/MercatorView.h"

// Draws the planted objects into an image of the view's size: a dot per object (its colour by model
// family, a disc for the default library and a square for the second), selected ones marked; where
// dots would overlap (more objects in a grid cell than its area holds dots) the cell's objects are
// counted into 4-pixel bins instead and drawn as a density shade, selected ones in their own shade.
// Only the cells the view covers are visited.
class ObjectLayer {
public:
    static constexpr int dotRadius = 3;
    static constexpr int binSize = 4;

    // `selected` holds one bit per object (a million fit in the cache, read in grid order), or is empty.
    void Draw(QImage& target, const MercatorView& view, const MapObjectIndex& index,
              const std::vector<bool>& selected);

    static QRgb FamilyColour(int family);

private:
    std::vector<std::uint32_t> counts;
    std::vector<std::uint32_t> selectedCounts;
};
