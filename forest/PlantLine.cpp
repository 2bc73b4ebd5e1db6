#include "forest/PlantLine.h"

#include <algorithm>
#include <cmath>

#include "forest/ForestRandom.h"
#include "forest/LocalPlane.h"

namespace {

constexpr int lineShape = -2;
constexpr double maxSpanMetres = 250e3;
constexpr double repeatedCornerDistance = 0.01;
constexpr double maxMitre = 4.0;  // in offsets
constexpr double maxTrees = 1e6;

ForestCheck Refusal(ForestProblem problem, std::size_t first = 0, double value = 0.0, double limit = 0.0) {
    ForestCheck check;
    check.problem = problem;
    check.shape = lineShape;
    check.first = first;
    check.value = value;
    check.limit = limit;
    return check;
}

bool IsDistance(double metres) {
    return std::isfinite(metres) && metres >= 0.0;
}

ForestCheck CheckSettings(const LineSettings& s) {
    if (!(std::isfinite(s.spacingMetres) && s.spacingMetres > 0.0)) {
        return Refusal(ForestProblem::SpacingInvalid, 0, s.spacingMetres);
    }
    if (!IsDistance(s.jitterMetres) || !std::isfinite(s.offsetMetres) || !IsDistance(s.rowGapMetres) ||
        s.rows < 1 || s.rows > maxLineRows || std::fabs(s.offsetMetres) > maxSpanMetres ||
        s.rowGapMetres * s.rows > maxSpanMetres) {
        return Refusal(ForestProblem::LayoutInvalid);
    }
    return {};
}

ForestCheck CheckCorners(const std::vector<GeoPosition>& corners) {
    if (corners.size() < 2) {
        return Refusal(ForestProblem::TooFewCorners, 0, static_cast<double>(corners.size()), 2.0);
    }
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (!IsOnEarth(corners[i])) {
            return Refusal(ForestProblem::CornerNotOnEarth, i);
        }
    }
    return {};
}

ForestCheck CheckLaid(const std::vector<PlanePoint>& laid) {
    for (std::size_t i = 0; i < laid.size(); ++i) {
        const double distance = std::hypot(laid[i].x, laid[i].y);
        if (!(distance <= maxSpanMetres)) {
            return Refusal(ForestProblem::SpanTooLarge, i, distance / 1000.0, maxSpanMetres / 1000.0);
        }
        if (i + 1 < laid.size() &&
            std::hypot(laid[i + 1].x - laid[i].x, laid[i + 1].y - laid[i].y) < repeatedCornerDistance) {
            return Refusal(ForestProblem::RepeatedCorner, i);
        }
    }
    return {};
}

PlanePoint Direction(PlanePoint a, PlanePoint b) {
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    return {(b.x - a.x) / length, (b.y - a.y) / length};
}

PlanePoint RightOf(PlanePoint direction) {
    return {direction.y, -direction.x};
}

PlanePoint Moved(PlanePoint p, PlanePoint direction, double distance) {
    return {p.x + direction.x * distance, p.y + direction.y * distance};
}

// The line moved sideways by `offset`, its bends mitred or bevelled.
std::vector<PlanePoint> OffsetLine(const std::vector<PlanePoint>& line, double offset) {
    std::vector<PlanePoint> row;
    const std::size_t n = line.size();
    row.push_back(Moved(line[0], RightOf(Direction(line[0], line[1])), offset));
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const PlanePoint before = RightOf(Direction(line[i - 1], line[i]));
        const PlanePoint after = RightOf(Direction(line[i], line[i + 1]));
        const double cosine = before.x * after.x + before.y * after.y;
        const double scale = 1.0 + cosine;
        // The mitre's length is |offset| * sqrt(2 / (1 + cosine)).
        if (scale * maxMitre * maxMitre >= 2.0) {
            row.push_back({line[i].x + (before.x + after.x) / scale * offset,
                           line[i].y + (before.y + after.y) / scale * offset});
        } else {
            row.push_back(Moved(line[i], before, offset));
            row.push_back(Moved(line[i], after, offset));
        }
    }
    row.push_back(Moved(line[n - 1], RightOf(Direction(line[n - 2], line[n - 1])), offset));
    return row;
}

double Length(const std::vector<PlanePoint>& row) {
    double length = 0.0;
    for (std::size_t i = 0; i + 1 < row.size(); ++i) {
        length += std::hypot(row[i + 1].x - row[i].x, row[i + 1].y - row[i].y);
    }
    return length;
}

// The point at `distance` along the row, and the row's direction there.
std::pair<PlanePoint, PlanePoint> AlongRow(const std::vector<PlanePoint>& row, double distance) {
    for (std::size_t i = 0; i + 1 < row.size(); ++i) {
        const double length = std::hypot(row[i + 1].x - row[i].x, row[i + 1].y - row[i].y);
        if (length > 0.0 && (distance <= length || i + 2 == row.size())) {
            const PlanePoint direction = Direction(row[i], row[i + 1]);
            return {Moved(row[i], direction, distance), direction};
        }
        distance -= length;
    }
    return {row.back(), {1.0, 0.0}};
}

void PlantRow(const std::vector<PlanePoint>& row, const LineSettings& s, const LocalPlane& plane,
              const TreeMix& mix, ForestRandom& random, TreePoints& trees) {
    const double length = Length(row);
    const auto stations = static_cast<std::size_t>(std::floor(length / s.spacingMetres)) + 1;
    for (std::size_t k = 0; k < stations; ++k) {
        const double along = static_cast<double>(k) * s.spacingMetres + s.jitterMetres * random.NextSigned();
        const auto [point, direction] = AlongRow(row, std::clamp(along, 0.0, length));
        const PlanePoint planted = Moved(point, RightOf(direction), s.jitterMetres * random.NextSigned());
        const GeoPosition position = plane.Reverse(planted);
        trees.points.push_back({position.latitude, position.longitude, mix.Pick(random.NextUnit())});
    }
}

}  // namespace

LinePlanting PlantLine(const std::vector<GeoPosition>& corners, const LineSettings& settings,
                       const TreeMix& mix) {
    LinePlanting planting;
    if (planting.check = CheckCorners(corners); !planting.check.Ok()) {
        return planting;
    }
    if (planting.check = CheckSettings(settings); !planting.check.Ok()) {
        return planting;
    }
    if (mix.Guids().empty()) {
        planting.check = Refusal(ForestProblem::MixEmpty);
        return planting;
    }
    const LocalPlane plane = LocalPlane::AroundCorners(corners);
    std::vector<PlanePoint> line;
    for (const GeoPosition& corner : corners) {
        line.push_back(plane.Forward(corner));
    }
    if (planting.check = CheckLaid(line); !planting.check.Ok()) {
        return planting;
    }
    const double trees = (Length(line) / settings.spacingMetres + 1.0) * settings.rows;
    if (trees > maxTrees) {
        planting.check = Refusal(ForestProblem::TooManyTrees, 0, std::round(trees), maxTrees);
        return planting;
    }
    ForestRandom random(settings.seed);
    planting.trees.guids = mix.Guids();
    for (int r = 0; r < settings.rows; ++r) {
        const double offset = settings.offsetMetres + (r - (settings.rows - 1) / 2.0) * settings.rowGapMetres;
        PlantRow(OffsetLine(line, offset), settings, plane, mix, random, planting.trees);
    }
    return planting;
}
