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
// Only the cells the view covers are visited, and a dense cell within one bin only by its counts: how
// many of each cell's objects are selected is kept between frames until the selection or the objects
// change.
class ObjectLayer {
public:
    static constexpr int dotRadius = 3;
    static constexpr int binSize = 4;

    // `target` is transparent; `selected` holds one bit per object, or is empty; `selectionVersion`
    // changes whenever it does.
    void Draw(QImage& target, const MercatorView& view, const MapObjectIndex& index,
              const std::vector<bool>& selected, std::uint64_t selectionVersion);

    static QRgb FamilyColour(int family);

private:
    // How many objects of each cell (the tail last) are selected, for the objects and selection named.
    const std::vector<std::uint32_t>& SelectedPerCell(const MapObjectIndex& index,
                                                      const std::vector<bool>& selected,
                                                      std::uint64_t selectionVersion);
    // Shades the bins with objects, over the dots drawn this frame where there are any.
    void FillBins(QImage& target, int binColumns, int binRows, bool overDots);

    std::vector<std::uint32_t> counts;
    std::vector<std::uint32_t> selectedCounts;
    std::vector<std::uint32_t> selectedPerCell;
    std::vector<QRgb> shadeLine;  // one line of a bin row's shades
    const MapObjectIndex* countedIndex = nullptr;
    std::uint64_t countedGeneration = 0;
    std::uint64_t countedSelection = 0;
};
