#include "forest/PoissonDiskSampling.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace PoissonDiskSampling {

namespace {

// A little under spacing / sqrt(2), so that two points in one cell are always closer than the spacing
// and each cell holds at most one; neighbours to test then lie within two cells.
constexpr double cellPerSpacing = 0.70710678;
constexpr long long reach = 2;

// Candidates lie at 1 to 1 + ringWidth spacings from their active point. Each takes 32 random bits:
// the top directionBits choose one of as many directions, the rest the distance within the ring.
constexpr double ringWidth = 0.05;
constexpr int directionBits = 8;
constexpr int distanceBits = 32 - directionBits;
constexpr std::uint32_t distanceMask = (std::uint32_t{1} << distanceBits) - 1;
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

bool IsPoint(PlanePoint p) {
    return p.x == p.x;
}

// Uniform in [0, 1) from 32 random bits.
double UnitFrom(std::uint32_t bits) {
    return static_cast<double>(bits) * 0x1.0p-32;
}

// Tests cells two at a time for a point nearer to p than the spacing. Each distance is
// (qx - px)^2 + (qy - py)^2 in that order, the same in both forms below; SSE2 works on both cells of a
// pair at once, without a branch per cell.
#if defined(__SSE2__)
class NearTest {
public:
    using Mask = __m128d;

    NearTest(PlanePoint p, double squaredSpacing)
        : at(_mm_set_pd(p.y, p.x)), limit(_mm_set1_pd(squaredSpacing)) {}

    Mask Pair(const PlanePoint& a, const PlanePoint& b) const {
        const __m128d sa = Squared(a), sb = Squared(b);
        return _mm_cmplt_pd(_mm_add_pd(_mm_unpacklo_pd(sa, sb), _mm_unpackhi_pd(sa, sb)), limit);
    }
    static Mask Either(Mask a, Mask b) { return _mm_or_pd(a, b); }
    static bool Any(Mask m) { return _mm_movemask_pd(m) != 0; }

private:
    __m128d Squared(const PlanePoint& q) const {
        const __m128d d = _mm_sub_pd(_mm_loadu_pd(&q.x), at);
        return _mm_mul_pd(d, d);
    }

    __m128d at, limit;
};
#else
class NearTest {
public:
    using Mask = bool;

    NearTest(PlanePoint p_, double squaredSpacing_) : p(p_), squaredSpacing(squaredSpacing_) {}

    Mask Pair(const PlanePoint& a, const PlanePoint& b) const { return Near(a) | Near(b); }
    static Mask Either(Mask a, Mask b) { return a | b; }
    static bool Any(Mask m) { return m; }

private:
    bool Near(const PlanePoint& q) const {
        const double dx = q.x - p.x, dy = q.y - p.y;
        return dx * dx + dy * dy < squaredSpacing;
    }

    PlanePoint p;
    double squaredSpacing;
};
#endif

// The background grid over the region's rows, one cell per point at most. A cell holds its point
// itself (x not a number when empty), so that the neighbour test reads five short stretches of
// memory and no index; a missing point is never near anything, since comparisons with NaN are false.
// Each row stores only the columns that points of its own and its neighbours' spans can reach, so
// long thin or slanted areas cost memory in proportion to their cells rather than their bounding box,
// and the neighbour test needs no bounds: a candidate outside its row's span is refused first.
class CellGrid {
public:
    CellGrid(const FillRegion& region, double cellSize) : inverseCell(1.0 / cellSize), minX(region.MinX()) {
        const std::size_t rows = region.RowCount();
        spanFirst.resize(rows);
        spanLast.resize(rows);
        for (std::size_t row = 0; row < rows; ++row) {
            const auto [low, high] = region.RowSpan(row);
            spanFirst[row] = low <= high ? Column(low) : 0;
            spanLast[row] = low <= high ? Column(high) : -1;
        }
        // Stored row t holds region row t - reach, with `reach` rows of margin below and above.
        rowOffset.resize(rows + 2 * reach);
        std::ptrdiff_t total = 0;
        for (std::size_t t = 0; t < rowOffset.size(); ++t) {
            const auto [first, last] = StoredColumns(t);
            rowOffset[t] = total - first;
            total += std::max(last - first + 1, 0LL);
        }
        cells.assign(static_cast<std::size_t>(total), PlanePoint{noPoint, noPoint});
    }

    // A column left of every span for x left of MinX or not a number.
    long long Column(double x) const {
        const double t = (x - minX) * inverseCell;
        if (!(t >= 0.0)) {
            return -1;
        }
        return t < columnLimit ? static_cast<long long>(t) : static_cast<long long>(columnLimit);
    }
    std::size_t RowCount() const { return spanFirst.size(); }
    // Columns from the westernmost to the easternmost span.
    std::size_t Width() const {
        long long first = std::numeric_limits<long long>::max(), last = 0;
        for (std::size_t row = 0; row < RowCount(); ++row) {
            if (spanFirst[row] <= spanLast[row]) {
                first = std::min(first, spanFirst[row]);
                last = std::max(last, spanLast[row]);
            }
        }
        return first <= last ? static_cast<std::size_t>(last - first + 1) : 0;
    }
    // The columns the area reaches in the row (none where First > Last).
    long long First(std::size_t row) const { return spanFirst[row]; }
    long long Last(std::size_t row) const { return spanLast[row]; }
    // Valid for First(row) <= column <= Last(row).
    std::size_t Index(std::size_t row, long long column) const {
        return static_cast<std::size_t>(rowOffset[row + reach] + column);
    }
    PlanePoint& At(std::size_t index) { return cells[index]; }
    const PlanePoint& At(std::size_t index) const { return cells[index]; }

    // Whether a point lies nearer than the spacing to p, whose cell is (row, column) within the span
    // and empty: the 5 x 5 cells around it, its own row first and then outwards, since a point in the
    // way is most often close by.
    bool HasPointNear(std::size_t row, long long column, PlanePoint p, double squaredSpacing) const {
        using Near = NearTest;
        const NearTest test(p, squaredSpacing);
        // The row `step` rows away, from two columns left of p's.
        const auto at = [&](int step) {
            return cells.data() + (rowOffset[row + reach + step] + column - reach);
        };
        const PlanePoint* own = at(0);
        if (Near::Any(Near::Either(test.Pair(own[0], own[1]), test.Pair(own[3], own[4])))) {
            return true;
        }
        const auto rowsHaveNear = [&](const PlanePoint* a, const PlanePoint* b) {
            const Near::Mask lows = Near::Either(test.Pair(a[0], b[0]), test.Pair(a[1], b[1]));
            const Near::Mask highs = Near::Either(test.Pair(a[3], b[3]), test.Pair(a[4], b[4]));
            return Near::Any(Near::Either(Near::Either(lows, highs), test.Pair(a[2], b[2])));
        };
        return rowsHaveNear(at(-1), at(1)) || rowsHaveNear(at(-2), at(2));
    }

private:
    static constexpr double columnLimit = 0x1.0p52;

    // The columns of stored row t that neighbour tests from region rows within `reach` rows read.
    std::pair<long long, long long> StoredColumns(std::size_t t) const {
        long long first = std::numeric_limits<long long>::max(), last = std::numeric_limits<long long>::min();
        const std::size_t lowest = t >= 2 * reach ? t - 2 * reach : 0;
        for (std::size_t row = lowest; row <= t && row < RowCount(); ++row) {
            if (spanFirst[row] <= spanLast[row]) {
                first = std::min(first, spanFirst[row] - reach);
                last = std::max(last, spanLast[row] + reach);
            }
        }
        return first <= last ? std::make_pair(first, last) : std::make_pair(0LL, -1LL);
    }

    double inverseCell;
    double minX;
    std::vector<long long> spanFirst, spanLast;
    std::vector<std::ptrdiff_t> rowOffset;  // per stored row: the index of its column 0
    std::vector<PlanePoint> cells;
};

// Cells per band of rows that a fill works on at a time: a band and its neighbours' rows stay in the
// processor's cache (a fill over the whole region at once reads its grid all over, where a large
// fill's grid is far bigger than the cache). Bands are at least minBandRows rows tall, so that few
// points lie near a band's top.
constexpr std::size_t bandCells = 8192;
constexpr std::size_t minBandRows = 8;

class Sampler {
public:
    Sampler(const FillRegion& region_, double spacing_, int attempts_, ForestRandom& random_)
        : region(region_),
          grid(region_, region_.RowHeight()),
          attempts(attempts_),
          spacing(spacing_),
          squaredSpacing(spacing_ * spacing_),
          ringStep(spacing_ * ringWidth / static_cast<double>(std::uint64_t{1} << distanceBits)),
          random(random_) {}

    // Fills the region band by band from the south. In each band the points left active by the band
    // below grow a fill (Bridson's loop); then a dart goes into every empty cell of the band, and each
    // that lands grows a fill too: the first fills all the region it can reach, the rest the parts cut
    // off from it (by exclusions, narrow necks) and the odd gap. Candidates beyond the band's top are
    // left for the next band, whose fill grows on from the points that tried them.
    void FillEveryPart() {
        const std::size_t rows = grid.RowCount();
        const std::size_t bandRows =
            std::max(minBandRows, bandCells / std::max<std::size_t>(grid.Width(), 1));
        for (std::size_t bandFirst = 0; bandFirst < rows; bandFirst += bandRows) {
            bandEnd = static_cast<long long>(std::min(bandFirst + bandRows, rows));
            active.swap(nextBand);
            nextBand.clear();
            Spread();
            for (auto row = static_cast<long long>(bandFirst); row < bandEnd; ++row) {
                DartEveryEmptyCell(static_cast<std::size_t>(row));
            }
        }
    }

    std::vector<PlanePoint> PointsInGridOrder() const {
        std::vector<PlanePoint> ordered;
        ordered.reserve(kept);
        for (std::size_t row = 0; row < grid.RowCount(); ++row) {
            for (long long column = grid.First(row); column <= grid.Last(row); ++column) {
                if (const PlanePoint p = grid.At(grid.Index(row, column)); IsPoint(p)) {
                    ordered.push_back(p);
                }
            }
        }
        return ordered;
    }

private:
    struct ActivePoint {
        PlanePoint point;
        bool triedNextBand;  // a candidate lay beyond the band's top
    };

    double CellX(long long column) const {
        return region.MinX() + static_cast<double>(column) * region.RowHeight();
    }
    double RowY(std::size_t row) const {
        return region.MinY() + static_cast<double>(row) * region.RowHeight();
    }

    void DartEveryEmptyCell(std::size_t row) {
        const double cell = region.RowHeight();
        for (long long column = grid.First(row); column <= grid.Last(row); ++column) {
            if (IsPoint(grid.At(grid.Index(row, column)))) {
                continue;
            }
            const double x = CellX(column) + UnitFrom(random.NextHalfBits()) * cell;
            const PlanePoint dart{x, RowY(row) + UnitFrom(random.NextHalfBits()) * cell};
            if (TryKeep(dart, region.RowOf(dart.y))) {
                Spread();
            }
        }
    }

    // Bridson's loop: grow from random active points until none has room around it within the band.
    void Spread() {
        while (!active.empty()) {
            const auto slot =
                static_cast<std::size_t>((std::uint64_t{random.NextHalfBits()} * active.size()) >> 32);
            if (!PlantAround(active[slot])) {
                if (active[slot].triedNextBand) {
                    nextBand.push_back({active[slot].point, false});
                }
                active[slot] = active.back();
                active.pop_back();
            }
        }
    }

    bool PlantAround(ActivePoint& centre) {
        for (int attempt = 0; attempt < attempts; ++attempt) {
            const PlanePoint p = RingCandidate(centre.point, random.NextHalfBits());
            const long long row = region.RowOf(p.y);
            if (row >= bandEnd) {
                centre.triedNextBand = true;
            } else if (TryKeep(p, row)) {
                return true;
            }
        }
        return false;
    }

    PlanePoint RingCandidate(PlanePoint centre, std::uint32_t bits) const {
        const PlanePoint direction = directions[bits >> distanceBits];
        const double distance = spacing + ringStep * static_cast<double>(bits & distanceMask);
        return {centre.x + direction.x * distance, centre.y + direction.y * distance};
    }

    // Keeps p, in the given row, where it stands in an empty cell inside the region with no point
    // nearer than the spacing; the cheapest refusals come first.
    bool TryKeep(PlanePoint p, long long row) {
        if (row < 0 || row >= static_cast<long long>(grid.RowCount())) {
            return false;
        }
        const auto r = static_cast<std::size_t>(row);
        const long long column = grid.Column(p.x);
        if (column < grid.First(r) || column > grid.Last(r)) {
            return false;
        }
        const std::size_t index = grid.Index(r, column);
        if (IsPoint(grid.At(index)) || grid.HasPointNear(r, column, p, squaredSpacing) ||
            !region.Contains(p)) {
            return false;
        }
        grid.At(index) = p;
        active.push_back({p, false});
        ++kept;
        return true;
    }

    const FillRegion& region;
    CellGrid grid;
    int attempts;
    double spacing;
    double squaredSpacing;
    double ringStep;  // metres per step of a candidate's distance bits
    ForestRandom& random;
    long long bandEnd = 0;  // the first row above the band being filled
    std::vector<ActivePoint> active;
    std::vector<ActivePoint> nextBand;  // retired points with room to try beyond the band
    std::size_t kept = 0;
};

}  // namespace

Fill Sample(const std::vector<PlanePoint>& area, const std::vector<PlaneExclusion>& exclusions,
            double spacing, Effort effort, ForestRandom& random) {
    const FillRegion region(area, exclusions, spacing * cellPerSpacing);
    Sampler sampler(region, spacing, effort.attemptsPerPoint, random);
    sampler.FillEveryPart();
    return {sampler.PointsInGridOrder(), region.Area()};
}

}  // namespace PoissonDiskSampling
