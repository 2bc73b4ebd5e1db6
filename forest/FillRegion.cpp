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

// A point's row comes from its y, and an edge's x within a row is worked out, each with a rounding
// error far below this (metres); a row's band and the stretches edges reach are widened by it, so
// that no edge can lie just outside the stretches it is counted in.
constexpr double stretchMargin = 1e-6;

// The x-range of the segment ab where its y lies from low to high (a single x at the nearer corner
// where the segment misses that band).
std::pair<double, double> XRangeWithin(PlanePoint a, PlanePoint b, double low, double high) {
    if (a.y == b.y) {
        return std::minmax(a.x, b.x);
    }
    const double t0 = std::clamp((low - a.y) / (b.y - a.y), 0.0, 1.0);
    const double t1 = std::clamp((high - a.y) / (b.y - a.y), 0.0, 1.0);
    const double x0 = a.x + t0 * (b.x - a.x), x1 = a.x + t1 * (b.x - a.x);
    return {std::min(x0, x1), std::max(x0, x1)};
}

using Interval = std::pair<double, double>;

// The x-range where the line at height y lies within `reach` of the segment ab (low > high where it
// stays further). The segment's buffer is convex, so the cut is one interval: the hull of the cuts of
// its two end discs and of the band between them.
Interval BufferCut(PlanePoint a, PlanePoint b, double reach, double y) {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    const auto widen = [&](double l, double h) {
        if (l <= h) {
            low = std::min(low, l);
            high = std::max(high, h);
        }
    };
    for (const PlanePoint end : {a, b}) {
        if (const double dy = y - end.y; std::fabs(dy) <= reach) {
            const double half = std::sqrt(reach * reach - dy * dy);
            widen(end.x - half, end.x + half);
        }
    }
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (length > 0.0) {
        // Along the line, how far along the segment and how far across it are both linear in x.
        double l = -std::numeric_limits<double>::infinity(), h = -l;
        const auto limit = [&](double slope, double offset, double least, double most) {
            if (slope == 0.0) {
                if (offset < least || offset > most) {
                    l = h = std::numeric_limits<double>::quiet_NaN();  // no x at all
                }
                return;
            }
            const double x0 = (least - offset) / slope, x1 = (most - offset) / slope;
            l = std::max(l, std::min(x0, x1));
            h = std::min(h, std::max(x0, x1));
        };
        limit(dx, (y - a.y) * dy - a.x * dx, 0.0, length * length);
        limit(dy, -(y - a.y) * dx - a.x * dy, -reach * length, reach * length);
        widen(l, h);
    }
    return {low, high};
}

// The total length of the disjoint intervals `kept` outside every interval of `removed`.
double LengthLeft(const std::vector<Interval>& kept, std::vector<Interval>& removed) {
    std::sort(removed.begin(), removed.end());
    std::vector<Interval> merged;
    for (const Interval& r : removed) {
        if (!merged.empty() && r.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, r.second);
        } else {
            merged.push_back(r);
        }
    }
    double total = 0.0;
    for (const auto& [low, high] : kept) {
        total += high - low;
        for (const auto& [cutLow, cutHigh] : merged) {
            total -= std::max(0.0, std::min(high, cutHigh) - std::max(low, cutLow));
        }
    }
    return total;
}

// The area is summed over slices between the heights where the region's cut changes its course, each
// slice cut into pieces at most this tall (metres, or the row height's quarter), and no more than
// maxAreaPieces in all.
constexpr double maxPieceHeight = 1.0;
constexpr double maxAreaPieces = 200000.0;

// Heights where the length of the region's cut stops changing evenly with y: corners, and for buffered
// exclusions the tops and bottoms of their corners' discs and of their edges' bands. (Where edges of
// different shapes cross, it bends too, which the pieces' height keeps small.)
std::vector<double> BreakHeights(const std::vector<PlanePoint>& area,
                                 const std::vector<PlaneExclusion>& exclusions) {
    std::vector<double> breaks;
    for (const PlanePoint& corner : area) {
        breaks.push_back(corner.y);
    }
    for (const PlaneExclusion& exclusion : exclusions) {
        const std::vector<PlanePoint>& c = exclusion.corners;
        const double buffer = exclusion.buffer;
        for (std::size_t i = 0; i < c.size(); ++i) {
            const PlanePoint a = c[i], b = c[(i + 1) % c.size()];
            breaks.push_back(a.y);
            if (const double length = std::hypot(b.x - a.x, b.y - a.y); buffer > 0.0 && length > 0.0) {
                const double across = buffer * (b.x - a.x) / length;
                breaks.insert(breaks.end(), {a.y - buffer, a.y + buffer, a.y - across, a.y + across,
                                             b.y - across, b.y + across});
            }
        }
    }
    return breaks;
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
        buffers.push_back(exclusion.buffer);
        squaredBuffers.push_back(exclusion.buffer * exclusion.buffer);
    }
    for (std::size_t i = 0; i < area.size(); ++i) {
        WidenRowSpans(area[i], area[(i + 1) % area.size()]);
    }
    stretchStarts.assign(rows + 1, 0);
    std::vector<std::pair<double, double>> reached;
    for (std::size_t row = 0; row < rows; ++row) {
        AddRowStretches(row, reached);
        stretchStarts[row + 1] = stretches.size();
    }
    MeasureArea(BreakHeights(area, exclusions), maxY);
}

// Between two break heights the cut's length changes evenly where only straight edges bound it, so a
// cut through each piece's middle gives the piece's area exactly; buffers' discs bend it, which the
// pieces' height keeps small.
void FillRegion::MeasureArea(std::vector<double> breaks, double maxY) {
    breaks.push_back(minY);
    breaks.push_back(maxY);
    std::erase_if(breaks, [&](double y) { return !(y >= minY && y <= maxY); });
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    const double step = std::max(std::min(rowHeight / 4.0, maxPieceHeight), (maxY - minY) / maxAreaPieces);
    for (std::size_t i = 0; i + 1 < breaks.size(); ++i) {
        const double slice = breaks[i + 1] - breaks[i];
        const double pieces = std::ceil(slice / step);
        for (double k = 0.0; k < pieces; k += 1.0) {
            squareMetres += CutLength(breaks[i] + (k + 0.5) * slice / pieces) * slice / pieces;
        }
    }
}

// The length of the region along the line at height y: the area's polygon cut by the crossing rule,
// less each exclusion's polygon cut the same way and its edges' buffers.
double FillRegion::CutLength(double y) const {
    const long long row = RowOf(y);
    if (row < 0 || row >= static_cast<long long>(RowCount())) {
        return 0.0;
    }
    const auto r = static_cast<std::size_t>(row);
    std::vector<Interval> kept, removed;
    std::vector<double> crossings;
    for (std::size_t i = rowStarts[r]; i < rowStarts[r + 1];) {
        const int shape = features[i].shape;
        crossings.clear();
        for (; i < rowStarts[r + 1] && features[i].shape == shape; ++i) {
            const Feature& f = features[i];
            if ((f.a.y > y) != (f.b.y > y)) {
                crossings.push_back(f.a.x + (y - f.a.y) * (f.b.x - f.a.x) / (f.b.y - f.a.y));
            }
            if (shape >= 0 && buffers[static_cast<std::size_t>(shape)] > 0.0) {
                removed.push_back(BufferCut(f.a, f.b, buffers[static_cast<std::size_t>(shape)], y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            (shape < 0 ? kept : removed).emplace_back(crossings[k], crossings[k + 1]);
        }
    }
    std::erase_if(removed, [](const Interval& cut) { return !(cut.first <= cut.second); });
    return LengthLeft(kept, removed);
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

// The stretches of the row that its features reach, merged, with the gaps between them that lie
// inside the region. Within a gap no edge is crossed and no buffer reached anywhere in the row's band,
// so the edges' answer at its middle is their answer for all of it; left and right of every feature
// the area's polygon is left.
void FillRegion::AddRowStretches(std::size_t row, std::vector<std::pair<double, double>>& reached) {
    const double bandLow = minY + static_cast<double>(row) * rowHeight - stretchMargin;
    const double bandHigh = minY + static_cast<double>(row + 1) * rowHeight + stretchMargin;
    reached.clear();
    for (std::size_t i = rowStarts[row]; i < rowStarts[row + 1]; ++i) {
        const Feature& f = features[i];
        const double reach = (f.shape < 0 ? 0.0 : buffers[static_cast<std::size_t>(f.shape)]) + stretchMargin;
        const auto [low, high] = XRangeWithin(f.a, f.b, bandLow - reach, bandHigh + reach);
        reached.emplace_back(low - reach, high + reach);
    }
    std::sort(reached.begin(), reached.end());
    const double middleY = minY + (static_cast<double>(row) + 0.5) * rowHeight;
    for (std::size_t i = 0; i < reached.size();) {
        double high = reached[i].second;
        std::size_t next = i + 1;
        for (; next < reached.size() && reached[next].first <= high; ++next) {
            high = std::max(high, reached[next].second);
        }
        if (stretchStarts[row] < stretches.size()) {  // a gap after the row's last stretch
            const double gapLow = stretches.back().high, gapHigh = reached[i].first;
            if (EdgesContain(row, {gapLow + (gapHigh - gapLow) / 2.0, middleY})) {
                stretches.push_back({gapLow, gapHigh, true});
            }
        }
        stretches.push_back({reached[i].first, high, false});
        i = next;
    }
}

bool FillRegion::Contains(PlanePoint p) const {
    const long long row = RowOf(p.y);
    if (row < 0 || row >= static_cast<long long>(RowCount())) {
        return false;
    }
    const auto r = static_cast<std::size_t>(row);
    for (std::size_t i = stretchStarts[r]; i < stretchStarts[r + 1]; ++i) {
        const Stretch& stretch = stretches[i];
        if (p.x < stretch.low) {
            return false;
        }
        if (p.x <= stretch.high) {
            return stretch.inside || EdgesContain(r, p);
        }
    }
    return false;
}

bool FillRegion::EdgesContain(std::size_t r, PlanePoint p) const {
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
