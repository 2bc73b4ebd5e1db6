#pragma once

#include <QPointF>
#include <QRectF>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/PlantingList.h"

// The planted objects as the map reads them: each one's place in the unit square of the web-Mercator
// projection and its kind, sorted into a grid over their bounding box, so that a frame or a rubber band
// visits only the cells it covers. Objects appended since the last rebuild sit in a short tail that is
// visited whole; the grid is rebuilt when the tail grows long or the list changed otherwise.
class MapObjectIndex {
public:
    static constexpr int gridSide = 256;
    // The cell number the tail goes by, after the grid's cells.
    static constexpr std::size_t tailCell = std::size_t{gridSide} * gridSide;

    // Brings the index up to `list`: appended entries join the tail, any other change rebuilds it.
    // True where the known entries stayed as they were (only appends), so their indices hold.
    bool Update(const PlantingList& list);
    void Clear();

    std::size_t Count() const { return unitX.size(); }
    QPointF UnitAt(std::size_t index) const { return {unitX[index], unitY[index]}; }
    std::uint8_t KindAt(std::size_t index) const { return kinds[index]; }
    // The bounding box of every object in the unit square (empty with no objects).
    QRectF Bounds() const { return bounds; }
    // Changes whenever the objects or their order in the grid change, so that what was worked out
    // from them can be kept until then.
    std::uint64_t Generation() const { return generation; }

    // Calls visit(index, x, y, kind) for every object whose cell overlaps `unitRect` (a superset of the
    // objects inside it), cell by cell; before a cell's objects, cellDensity(count, unitArea, centre, cell)
    // says whether to visit them (the tail has area 0, cell number tailCell, and is always visited).
    template <typename CellVisit, typename Visit>
    void ForEachNear(const QRectF& unitRect, CellVisit&& cellDensity, Visit&& visit) const;

    // How many of each cell's objects `flags` (one per object) holds true: tailCell + 1 counts, the
    // last one the tail's.
    std::vector<std::uint32_t> CountPerCell(const std::vector<bool>& flags) const;

    // The objects inside `unitRect`, ascending.
    std::vector<std::size_t> Inside(const QRectF& unitRect) const;
    // The object nearest `unit` within `radius` (unit lengths), or -1.
    std::ptrdiff_t Nearest(QPointF unit, double radius) const;

private:
    void Rebuild();
    struct CellRange {
        int firstColumn, lastColumn, firstRow, lastRow;
        bool empty;
    };
    CellRange CellsOver(const QRectF& unitRect) const;

    // Every object in list order: its position as the list holds it (to tell appends from other
    // changes) and in the unit square.
    std::vector<double> latitudes, longitudes;
    std::vector<double> unitX, unitY;
    std::vector<std::uint8_t> kinds;
    // The grid: the indexed objects sorted by cell, cell c holding sorted[cellStart[c] .. cellStart[c+1]).
    std::vector<std::uint32_t> sortedIndex;
    std::vector<double> sortedX, sortedY;
    std::vector<std::uint8_t> sortedKind;
    std::vector<std::uint32_t> cellStart;
    std::size_t indexed = 0;  // objects 0 .. indexed-1 are in the grid; the rest form the tail
    QRectF bounds;            // of every object (a null size for one object)
    QRectF gridBounds;        // of the grid's objects
    double cellWidth = 1.0, cellHeight = 1.0;
    std::uint64_t generation = 0;
};

template <typename CellVisit, typename Visit>
void MapObjectIndex::ForEachNear(const QRectF& unitRect, CellVisit&& cellDensity, Visit&& visit) const {
    const CellRange range = CellsOver(unitRect);
    if (!range.empty) {
        for (int row = range.firstRow; row <= range.lastRow; ++row) {
            for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
                const std::size_t cell =
                    static_cast<std::size_t>(row) * gridSide + static_cast<std::size_t>(column);
                const std::uint32_t first = cellStart[cell];
                const std::uint32_t end = cellStart[cell + 1];
                if (first == end) {
                    continue;
                }
                const QPointF centre(gridBounds.left() + (column + 0.5) * cellWidth,
                                     gridBounds.top() + (row + 0.5) * cellHeight);
                if (!cellDensity(std::size_t{end - first}, cellWidth * cellHeight, centre, cell)) {
                    continue;
                }
                for (std::uint32_t k = first; k < end; ++k) {
                    visit(sortedIndex[k], sortedX[k], sortedY[k], sortedKind[k]);
                }
            }
        }
    }
    if (indexed < unitX.size()) {
        cellDensity(unitX.size() - indexed, 0.0, QPointF(), tailCell);
        for (std::size_t k = indexed; k < unitX.size(); ++k) {
            visit(static_cast<std::uint32_t>(k), unitX[k], unitY[k], kinds[k]);
        }
    }
}
