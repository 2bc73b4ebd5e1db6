#include "app/map/MapObjectIndex.h"

#include <algorithm>
#include <cmath>

#include "app/map/MercatorView.h"
#include "app/map/ObjectKind.h"

void MapObjectIndex::Clear() {
    latitudes.clear();
    longitudes.clear();
    unitX.clear();
    unitY.clear();
    kinds.clear();
    indexed = 0;
    Rebuild();
    ++generation;
}

bool MapObjectIndex::Update(const PlantingList& list) {
    const std::size_t known = unitX.size();
    // Appended entries leave the known ones as they were; anything else (deletes, undone deletes put
    // back in the middle) starts again.
    bool appended = list.Count() >= known;
    for (std::size_t i = 0; appended && i < known; ++i) {
        appended = list.LatitudeAt(i) == latitudes[i] && list.LongitudeAt(i) == longitudes[i];
    }
    if (!appended) {
        latitudes.clear();
        longitudes.clear();
        unitX.clear();
        unitY.clear();
        kinds.clear();
        indexed = 0;
        bounds = QRectF();
    }
    const std::size_t from = unitX.size();
    for (auto* column : {&latitudes, &longitudes, &unitX, &unitY}) {
        column->reserve(list.Count());
    }
    kinds.reserve(list.Count());
    std::string_view lastGuid;
    std::uint8_t lastKind = ObjectKind{}.Packed();
    for (std::size_t i = from; i < list.Count(); ++i) {
        latitudes.push_back(list.LatitudeAt(i));
        longitudes.push_back(list.LongitudeAt(i));
        const QPointF unit = Mercator::FromDegrees(list.LatitudeAt(i), list.LongitudeAt(i));
        unitX.push_back(unit.x());
        unitY.push_back(unit.y());
        const std::string_view guid = list.GuidViewAt(i);
        if (guid != lastGuid) {
            lastGuid = guid;
            lastKind = KindOfGuid(guid).Packed();
        }
        kinds.push_back(lastKind);
        if (i == 0) {
            bounds = QRectF(unit, unit);
        } else {
            bounds.setLeft(std::min(bounds.left(), unit.x()));
            bounds.setRight(std::max(bounds.right(), unit.x()));
            bounds.setTop(std::min(bounds.top(), unit.y()));
            bounds.setBottom(std::max(bounds.bottom(), unit.y()));
        }
    }
    const std::size_t tail = unitX.size() - indexed;
    if (!appended || tail > 4096 + indexed / 16) {
        Rebuild();
    }
    if (!appended || unitX.size() != known) {
        ++generation;
    }
    return appended;
}

void MapObjectIndex::Rebuild() {
    indexed = unitX.size();
    cellStart.assign(static_cast<std::size_t>(gridSide) * gridSide + 1, 0);
    sortedIndex.resize(indexed);
    sortedX.resize(indexed);
    sortedY.resize(indexed);
    sortedKind.resize(indexed);
    if (indexed == 0) {
        gridBounds = QRectF();
        bounds = QRectF();
        return;
    }
    double left = unitX[0], right = unitX[0], top = unitY[0], bottom = unitY[0];
    for (std::size_t i = 0; i < indexed; ++i) {
        left = std::min(left, unitX[i]);
        right = std::max(right, unitX[i]);
        top = std::min(top, unitY[i]);
        bottom = std::max(bottom, unitY[i]);
    }
    bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
    gridBounds = bounds;
    // A cell at least a few millimetres wide, so that a single point still makes a grid.
    cellWidth = std::max((right - left) / gridSide, 1e-12);
    cellHeight = std::max((bottom - top) / gridSide, 1e-12);
    std::vector<std::uint32_t> cellOf(indexed);
    for (std::size_t i = 0; i < indexed; ++i) {
        const int column = std::min(gridSide - 1, static_cast<int>((unitX[i] - left) / cellWidth));
        const int row = std::min(gridSide - 1, static_cast<int>((unitY[i] - top) / cellHeight));
        cellOf[i] = static_cast<std::uint32_t>(row * gridSide + column);
        ++cellStart[cellOf[i] + 1];
    }
    for (std::size_t c = 1; c < cellStart.size(); ++c) {
        cellStart[c] += cellStart[c - 1];
    }
    std::vector<std::uint32_t> fill(cellStart.begin(), cellStart.end() - 1);
    for (std::size_t i = 0; i < indexed; ++i) {
        const std::uint32_t at = fill[cellOf[i]]++;
        sortedIndex[at] = static_cast<std::uint32_t>(i);
        sortedX[at] = unitX[i];
        sortedY[at] = unitY[i];
        sortedKind[at] = kinds[i];
    }
}

MapObjectIndex::CellRange MapObjectIndex::CellsOver(const QRectF& unitRect) const {
    if (indexed == 0 || cellStart.empty()) {
        return {0, -1, 0, -1, true};
    }
    const QRectF r = unitRect.normalized();
    const auto column = [&](double x) {
        return static_cast<int>(
            std::clamp(std::floor((x - gridBounds.left()) / cellWidth), -1.0, double(gridSide)));
    };
    const auto row = [&](double y) {
        return static_cast<int>(
            std::clamp(std::floor((y - gridBounds.top()) / cellHeight), -1.0, double(gridSide)));
    };
    CellRange range{std::max(0, column(r.left())), std::min(gridSide - 1, column(r.right())),
                    std::max(0, row(r.top())), std::min(gridSide - 1, row(r.bottom())), false};
    range.empty = range.firstColumn > range.lastColumn || range.firstRow > range.lastRow;
    return range;
}

std::vector<std::uint32_t> MapObjectIndex::CountPerCell(const std::vector<bool>& flags) const {
    std::vector<std::uint32_t> counts(tailCell + 1, 0);
    if (flags.size() < unitX.size()) {
        return counts;
    }
    for (std::size_t cell = 0; cell < tailCell && indexed != 0; ++cell) {
        std::uint32_t count = 0;
        for (std::uint32_t k = cellStart[cell]; k < cellStart[cell + 1]; ++k) {
            count += flags[sortedIndex[k]] ? 1 : 0;
        }
        counts[cell] = count;
    }
    for (std::size_t k = indexed; k < unitX.size(); ++k) {
        counts[tailCell] += flags[k] ? 1 : 0;
    }
    return counts;
}

std::vector<std::size_t> MapObjectIndex::Inside(const QRectF& unitRect) const {
    const QRectF r = unitRect.normalized();
    std::vector<std::size_t> found;
    ForEachNear(
        r, [](std::size_t, double, QPointF, std::size_t) { return true; },
        [&](std::uint32_t index, double x, double y, std::uint8_t) {
            if (x >= r.left() && x <= r.right() && y >= r.top() && y <= r.bottom()) {
                found.push_back(index);
            }
        });
    std::sort(found.begin(), found.end());
    return found;
}

std::ptrdiff_t MapObjectIndex::Nearest(QPointF unit, double radius) const {
    std::ptrdiff_t best = -1;
    double bestDistance = radius * radius;
    const QRectF around(unit.x() - radius, unit.y() - radius, 2 * radius, 2 * radius);
    ForEachNear(
        around, [](std::size_t, double, QPointF, std::size_t) { return true; },
        [&](std::uint32_t index, double x, double y, std::uint8_t) {
            const double distance = (x - unit.x()) * (x - unit.x()) + (y - unit.y()) * (y - unit.y());
            if (distance <= bestDistance) {
                bestDistance = distance;
                best = static_cast<std::ptrdiff_t>(index);
            }
        });
    return best;
}
