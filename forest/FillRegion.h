#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "forest/PlanePoint.h"

// An exclusion laid in the plane: a point is excluded inside the polygon or within `buffer` metres
// of one of its edges.
struct PlaneExclusion {
    std::vector<PlanePoint> corners;
    double buffer = 0.0;
};

// The part of an area's polygon outside every exclusion, cut into horizontal rows so that a point's
// test looks only at the edges that reach its row: a few edges for the outlines people draw, however
// many corners the polygons have. Each row also knows the x-range the area covers in it, and the
// stretches of it that no edge or buffer reaches, where a point is inside or outside without a test
// of any edge: most of a fill's points are settled by one or two comparisons.
class FillRegion {
public:
    FillRegion(const std::vector<PlanePoint>& area, const std::vector<PlaneExclusion>& exclusions,
               double rowHeight);

    bool Contains(PlanePoint p) const;

    // The region's area in square metres, from the length of its cut along lines across it (exact
    // for straight edges, within a small fraction of a buffer's disc for rounded ones).
    double Area() const { return squareMetres; }

    // Rows run upwards from MinY(), each RowHeight() tall. RowOf gives -1 below the first row and
    // RowCount() or more above the last.
    std::size_t RowCount() const { return rowLow.size(); }
    long long RowOf(double y) const {
        const double t = (y - minY) * inverseRowHeight;
        if (!(t >= 0.0)) {
            return -1;
        }
        return t < rowLimit ? static_cast<long long>(t) : static_cast<long long>(rowLimit);
    }
    double MinX() const { return minX; }
    double MinY() const { return minY; }
    double RowHeight() const { return rowHeight; }
    // The smallest and largest x of the area within the row (low > high for a row it misses).
    std::pair<double, double> RowSpan(std::size_t row) const { return {rowLow[row], rowHigh[row]}; }

private:
    // An edge of the area (shape -1) or of exclusion `shape`.
    struct Feature {
        PlanePoint a, b;
        int shape;
    };
    // A stretch of a row's x: wholly inside the region, or reached by an edge or a buffer (where the
    // edges decide). A row's stretches are in x order; x in none of them is outside.
    struct Stretch {
        double low, high;
        bool inside;
    };

    void AddShapeRows(const std::vector<PlanePoint>& corners, int shape, double reach, bool count);
    void WidenRowSpans(PlanePoint a, PlanePoint b);
    void AddRowStretches(std::size_t row, std::vector<std::pair<double, double>>& reached);
    bool Settles(int shape, bool inside) const { return shape < 0 ? inside : !inside; }
    bool EdgesContain(std::size_t row, PlanePoint p) const;
    void MeasureArea(std::vector<double> breaks, double maxY);
    double CutLength(double y) const;

    double rowHeight;
    double inverseRowHeight;
    double rowLimit = 0.0;  // RowCount() as a double
    double minX = 0.0, minY = 0.0;
    double squareMetres = 0.0;
    std::vector<double> rowLow, rowHigh;
    std::vector<std::size_t> rowStarts;  // features of row k: rowStarts[k] to rowStarts[k + 1]
    std::vector<Feature> features;       // per row, the area's edges first, then each exclusion's in turn
    std::vector<double> buffers, squaredBuffers;  // per exclusion
    std::vector<std::size_t> stretchStarts;  // stretches of row k: stretchStarts[k] to stretchStarts[k + 1]
    std::vector<Stretch> stretches;
};
