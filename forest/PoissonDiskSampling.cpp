#include "forest/PoissonDiskSampling.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

namespace PoissonDiskSampling {

namespace {

// A little under spacing / sqrt(2), so that two points in one cell are always closer than the spacing
// and each cell holds at most one; neighbours to test then lie within two cells.
constexpr double cellPerSpacing = 0.70710678;

// Candidates lie at 1 to 1 + ringWidth spacings from their active point, in one of 2^directionBits
// directions.
constexpr double ringWidth = 0.05;
constexpr int directionBits = 8;
constexpr std::size_t directionCount = std::size_t{1} << directionBits;

constexpr double pi = 3.14159265358979323846;

// Sine and cosine by their series, evaluated by the compiler in IEEE arithmetic: the same table on
// every platform, whatever its mathematical library. Angles stay within [-pi, pi], where 30 terms
// are far more than enough.
constexpr double Series(double a, double first, int start) {
    double term = first, sum = first;
    for (int n = start; n < start + 60; n += 2) {
        term *= -a * a / (n * (n + 1.0));
        sum += term;
    }
    return sum;
}

constexpr std::array<PlanePoint, directionCount> MakeDirections() {
    std::array<PlanePoint, directionCount> table{};
    for (std::size_t i = 0; i < directionCount; ++i) {
        const double a = 2.0 * pi * static_cast<double>(i) / static_cast<double>(directionCount) - pi;
        table[i] = {Series(a, 1.0, 1), Series(a, a, 2)};
    }
    return table;
}

constexpr std::array<PlanePoint, directionCount> directions = MakeDirections();

constexpr double noPoint = std::numeric_limits<double>::quiet_NaN();

// The background grid, stored only over each row's span of the area, so that long thin or slanted
// areas cost memory in proportion to their cells rather than their bounding box. A cell holds its
// point itself (x not a number when empty), so that the neighbour test reads one stretch of memory per
// row; a missing point is never near anything, since comparisons with NaN are false.
class SpanGrid {
public:
    SpanGrid(const FillRegion& region, double cellSize)
        : inverseCell(1.0 / cellSize), cell(cellSize), minX(region.MinX()) {
        const std::size_t rows = region.RowCount();
        rowFirst.resize(rows);
        rowLast.resize(rows);
        rowBase.resize(rows);
        std::size_t total = 0;
        for (std::size_t row = 0; row < rows; ++row) {
            const auto [low, high] = region.RowSpan(row);
            rowFirst[row] = low <= high ? Column(low) - 1 : 0;
            rowLast[row] = low <= high ? Column(high) + 1 : -1;
            rowBase[row] = total;
            total += static_cast<std::size_t>(rowLast[row] - rowFirst[row] + 1);
        }
        cells.assign(total, PlanePoint{noPoint, noPoint});
    }

    // -1 for any x left of MinX (no row's span reaches further).
    long long Column(double x) const {
        const double t = (x - minX) * inverseCell;
        if (!(t >= 0.0)) {
            return -2;
        }
        return t < columnLimit ? static_cast<long long>(t) : static_cast<long long>(columnLimit);
    }
    std::size_t RowCount() const { return rowFirst.size(); }
    long long First(std::size_t row) const { return rowFirst[row]; }
    long long Last(std::size_t row) const { return rowLast[row]; }
    // Valid for First(row) <= column <= Last(row).
    PlanePoint& At(std::size_t row, long long column) {
        return cells[rowBase[row] + static_cast<std::size_t>(column - rowFirst[row])];
    }
    double CellX(long long column) const { return minX + static_cast<double>(column) * cell; }

private:
    static constexpr double columnLimit = 0x1.0p52;
    double inverseCell;
    double cell;
    double minX;
    std::vector<long long> rowFirst, rowLast;
    std::vector<std::size_t> rowBase;
    std::vector<PlanePoint> cells;
};

bool IsPoint(PlanePoint p) {
    return p.x == p.x;
}

struct CellRef {
    std::size_t row;
    long long column;
};

class Sampler {
public:
    Sampler(const FillRegion& region_, double spacing_, ForestRandom& random_)
        : region(region_),
          grid(region_, region_.RowHeight()),
          spacing(spacing_),
          squaredSpacing(spacing_ * spacing_),
          random(random_) {}

    void FillEveryPart() {
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            for (long long column = grid.First(row); column <= grid.Last(row); ++column) {
                CountCell(row, column);
                if (!IsPoint(grid.At(row, column))) {
                    TryDartIn(row, column);
                }
            }
        }
    }

    double RegionArea() const {
        return static_cast<double>(cellsInside) * region.RowHeight() * region.RowHeight();
    }

    std::vector<PlanePoint> PointsInGridOrder() {
        std::vector<PlanePoint> ordered;
        ordered.reserve(kept);
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            for (long long column = grid.First(row); column <= grid.Last(row); ++column) {
                if (const PlanePoint p = grid.At(row, column); IsPoint(p)) {
                    ordered.push_back(p);
                }
            }
        }
        return ordered;
    }

private:
    void CountCell(std::size_t row, long long column) {
        const double half = region.RowHeight() / 2.0;
        const PlanePoint centre{grid.CellX(column) + half,
                                region.MinY() + static_cast<double>(row) * region.RowHeight() + half};
        cellsInside += region.Contains(centre) ? 1 : 0;
    }

    void TryDartIn(std::size_t row, long long column) {
        const double cell = region.RowHeight();
        const PlanePoint p{grid.CellX(column) + random.NextUnit() * cell,
                           region.MinY() + (static_cast<double>(row) + random.NextUnit()) * cell};
        if (const auto place = Fits(p)) {
            Keep(*place, p);
            Spread();
        }
    }

    // Bridson's loop: grow from random active points until none has room around it.
    void Spread() {
        while (!active.empty()) {
            const std::uint32_t slot = random.NextBelow(static_cast<std::uint32_t>(active.size()));
            if (!PlantAround(active[slot])) {
                active[slot] = active.back();
                active.pop_back();
            }
        }
    }

    bool PlantAround(PlanePoint centre) {
        for (int attempt = 0; attempt < attemptsPerPoint; ++attempt) {
            const PlanePoint p = RingCandidate(centre);
            if (const auto place = Fits(p)) {
                Keep(*place, p);
                return true;
            }
        }
        return false;
    }

    // One draw: its top bits choose the direction, its low 53 bits the distance.
    PlanePoint RingCandidate(PlanePoint centre) {
        const std::uint64_t bits = random.NextBits();
        const PlanePoint direction = directions[bits >> (64 - directionBits)];
        const double fraction = static_cast<double>(bits & ((std::uint64_t{1} << 53) - 1)) * 0x1.0p-53;
        const double distance = spacing * (1.0 + ringWidth * fraction);
        return {centre.x + direction.x * distance, centre.y + direction.y * distance};
    }

    // The empty cell where p may stand: inside the region, no point nearer than the spacing.
    std::optional<CellRef> Fits(PlanePoint p) {
        const long long row = region.RowOf(p.y);
        if (row < 0 || row >= static_cast<long long>(grid.RowCount())) {
            return std::nullopt;
        }
        const long long column = grid.Column(p.x);
        const auto r = static_cast<std::size_t>(row);
        if (column < grid.First(r) || column > grid.Last(r) || IsPoint(grid.At(r, column)) ||
            HasNeighbourNear(r, column, p) || !region.Contains(p)) {
            return std::nullopt;
        }
        return CellRef{r, column};
    }

    bool HasNeighbourNear(std::size_t row, long long column, PlanePoint p) {
        const std::size_t firstRow = row >= 2 ? row - 2 : 0;
        const std::size_t lastRow = std::min(row + 2, grid.RowCount() - 1);
        for (std::size_t r = firstRow; r <= lastRow; ++r) {
            const long long first = std::max(column - 2, grid.First(r)),
                            last = std::min(column + 2, grid.Last(r));
            for (long long c = first; c <= last; ++c) {
                const PlanePoint q = grid.At(r, c);
                const double dx = q.x - p.x, dy = q.y - p.y;
                if (dx * dx + dy * dy < squaredSpacing) {
                    return true;
                }
            }
        }
        return false;
    }

    void Keep(CellRef place, PlanePoint p) {
        grid.At(place.row, place.column) = p;
        active.push_back(p);
        ++kept;
    }

    const FillRegion& region;
    SpanGrid grid;
    double spacing;
    double squaredSpacing;
    ForestRandom& random;
    std::vector<PlanePoint> active;
    std::size_t kept = 0;
    std::size_t cellsInside = 0;
};

}  // namespace

Fill Sample(const std::vector<PlanePoint>& area, const std::vector<PlaneExclusion>& exclusions,
            double spacing, ForestRandom& random) {
    const FillRegion region(area, exclusions, spacing * cellPerSpacing);
    Sampler sampler(region, spacing, random);
    sampler.FillEveryPart();
    return {sampler.PointsInGridOrder(), sampler.RegionArea()};
}

}  // namespace PoissonDiskSampling
