#include "forest/FillRegion.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "forest/PlaneGeometry.h"

namespace {

// Whether the edge ab crosses the horizontal ray from p to the east (half-open in y, so that a corner
// on the ray counts once).
bool CrossesRay(PlanePoint a, PlanePoint b, PlanePoint p) {
    return (a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
}

}  // namespace

FillRegion::FillRegion(const std::vector<PlanePoint>& area, const std::vector<PlaneExclusion>& exclusions,
                       double rowHeight_)
    : rowHeight(rowHeight_), inverseRowHeight(1.0 / rowHeight_) {
    double maxY = -std::numeric_limits<double>::infinity();
    minX = minY = std::numeric_limits<double>::infinity();
    for (const PlanePoint& corner : area) {
        minX = std::min(minX, corner.x);
        minY = std::min(minY, corner.y);
        maxY = std::max(maxY, corner.y);
    }
    const std::size_t rows = static_cast<std::size_t>((maxY - minY) * inverseRowHeight) + 1;
    rowLimit = static_cast<double>(rows);
    rowLow.assign(rows, std::numeric_limits<double>::infinity());
    rowHigh.assign(rows, -std::numeric_limits<double>::infinity());
    rowStarts.assign(rows + 1, 0);
    // Counted first, then filled, so that every row's features lie together.
    for (bool count : {true, false}) {
        AddShapeRows(area, -1, 0.0, count);
        for (std::size_t k = 0; k < exclusions.size(); ++k) {
            AddShapeRows(exclusions[k].corners, static_cast<int>(k), exclusions[k].buffer, count);
        }
        if (count) {
            for (std::size_t row = 0; row < rows; ++row) {
                rowStarts[row + 1] += rowStarts[row];
            }
            features.resize(rowStarts[rows]);
        }
    }
    // Filling moved each start to its row's end; the previous row's end is this row's start.
    std::rotate(rowStarts.rbegin(), rowStarts.rbegin() + 1, rowStarts.rend());
    rowStarts[0] = 0;
    for (const PlaneExclusion& exclusion : exclusions) {
        squaredBuffers.push_back(exclusion.buffer * exclusion.buffer);
    }
    for (std::size_t i = 0; i < area.size(); ++i) {
        WidenRowSpans(area[i], area[(i + 1) % area.size()]);
    }
}

void FillRegion::AddShapeRows(const std::vector<PlanePoint>& corners, int shape, double reach, bool count) {
    const long long rows = static_cast<long long>(RowCount());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const PlanePoint a = corners[i], b = corners[(i + 1) % corners.size()];
        const long long first = std::max(RowOf(std::min(a.y, b.y) - reach), 0LL);
        const long long last = std::min(RowOf(std::max(a.y, b.y) + reach), rows - 1);
        for (long long row = first; row <= last; ++row) {
            const auto r = static_cast<std::size_t>(row);
            if (count) {
                ++rowStarts[r + 1];
            } else {
                features[rowStarts[r]++] = Feature{a, b, shape};
            }
        }
    }
}

void FillRegion::WidenRowSpans(PlanePoint a, PlanePoint b) {
    const long long rows = static_cast<long long>(RowCount());
    const double low = std::min(a.y, b.y), high = std::max(a.y, b.y);
    const long long first = std::max(RowOf(low), 0LL), last = std::min(RowOf(high), rows - 1);
    for (long long row = first; row <= last; ++row) {
        double x0 = a.x, x1 = b.x;
        if (high > low) {
            // The edge's part within the row's band.
            const double bandLow = std::max(low, minY + static_cast<double>(row) * rowHeight);
            const double bandHigh = std::min(high, minY + static_cast<double>(row + 1) * rowHeight);
            const double slope = (b.x - a.x) / (b.y - a.y);
            x0 = a.x + (bandLow - a.y) * slope;
            x1 = a.x + (bandHigh - a.y) * slope;
        }
        const auto r = static_cast<std::size_t>(row);
        rowLow[r] = std::min({rowLow[r], x0, x1});
        rowHigh[r] = std::max({rowHigh[r], x0, x1});
    }
}

bool FillRegion::Contains(PlanePoint p) const {
    const long long row = RowOf(p.y);
    if (row < 0 || row >= static_cast<long long>(RowCount())) {
        return false;
    }
    const auto r = static_cast<std::size_t>(row);
    int shape = -1;
    bool inside = false;
    for (std::size_t i = rowStarts[r]; i < rowStarts[r + 1]; ++i) {
        const Feature& f = features[i];
        if (f.shape != shape) {
            if (!Settles(shape, inside)) {
                return false;
            }
            shape = f.shape;
            inside = false;
        }
        if (CrossesRay(f.a, f.b, p)) {
            inside = !inside;
        }
        if (shape >= 0 && PlaneGeometry::SquaredDistanceToSegment(p, f.a, f.b) <= squaredBuffers[shape]) {
            return false;
        }
    }
    return Settles(shape, inside);
}
