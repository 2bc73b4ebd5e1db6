#include "forest/ForestAreaShape.h"

#include <algorithm>
#include <cmath>

#include "forest/PlaneGeometry.h"

namespace {

ForestCheck Refusal(ForestProblem problem, int shape, std::size_t first = 0, std::size_t second = 0) {
    ForestCheck check;
    check.problem = problem;
    check.shape = shape;
    check.first = first;
    check.second = second;
    return check;
}

// What can be told from the corners alone.
ForestCheck CheckCorners(const std::vector<GeoPosition>& corners, int shape) {
    if (corners.size() < 3) {
        ForestCheck check = Refusal(ForestProblem::TooFewCorners, shape);
        check.value = static_cast<double>(corners.size());
        check.limit = 3.0;
        return check;
    }
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (!IsOnEarth(corners[i])) {
            return Refusal(ForestProblem::CornerNotOnEarth, shape, i);
        }
    }
    return {};
}

// What needs the corners in the plane: their distance from the centre, repeated places, crossings.
ForestCheck CheckLaidCorners(const std::vector<PlanePoint>& laid, int shape) {
    const double maxSpan = ForestAreaShape::maxSpanKilometres * 1000.0;
    for (std::size_t i = 0; i < laid.size(); ++i) {
        const double distance = std::hypot(laid[i].x, laid[i].y);
        if (!(distance <= maxSpan)) {
            ForestCheck check = Refusal(ForestProblem::SpanTooLarge, shape, i);
            check.value = distance / 1000.0;
            check.limit = ForestAreaShape::maxSpanKilometres;
            return check;
        }
    }
    for (std::size_t i = 0; i < laid.size(); ++i) {
        const PlanePoint a = laid[i], b = laid[(i + 1) % laid.size()];
        if (std::hypot(b.x - a.x, b.y - a.y) < ForestAreaShape::repeatedCornerDistance) {
            return Refusal(ForestProblem::RepeatedCorner, shape, i);
        }
    }
    if (const auto crossing = PlaneGeometry::FindCrossingEdges(laid)) {
        return Refusal(ForestProblem::EdgesCross, shape, crossing->first, crossing->second);
    }
    return {};
}

std::vector<PlanePoint> Laid(const LocalPlane& plane, const std::vector<GeoPosition>& corners) {
    std::vector<PlanePoint> laid;
    laid.reserve(corners.size());
    for (const GeoPosition& corner : corners) {
        laid.push_back(plane.Forward(corner));
    }
    return laid;
}

}  // namespace

ForestCheck ForestAreaShape::Build(const std::vector<GeoPosition>& corners,
                                   const std::vector<ForestExclusion>& exclusionCorners) {
    ForestCheck check = CheckCorners(corners, -1);
    for (std::size_t k = 0; check.Ok() && k < exclusionCorners.size(); ++k) {
        const double buffer = exclusionCorners[k].bufferMetres;
        check = std::isfinite(buffer) && buffer >= 0.0
                    ? CheckCorners(exclusionCorners[k].corners, static_cast<int>(k))
                    : Refusal(ForestProblem::BufferInvalid, static_cast<int>(k));
    }
    if (!check.Ok()) {
        return check;
    }
    const LocalPlane centred = LocalPlane::AroundCorners(corners);
    std::vector<PlanePoint> laidArea = Laid(centred, corners);
    if (check = CheckLaidCorners(laidArea, -1); !check.Ok()) {
        return check;
    }
    const double squareMetres = std::fabs(PlaneGeometry::SignedArea(laidArea));
    if (squareMetres > maxSquareKilometres * 1e6) {
        check.problem = ForestProblem::AreaTooLarge;
        check.value = squareMetres / 1e6;
        check.limit = maxSquareKilometres;
        return check;
    }
    std::vector<PlaneExclusion> laidExclusions;
    for (std::size_t k = 0; k < exclusionCorners.size(); ++k) {
        laidExclusions.push_back(
            {Laid(centred, exclusionCorners[k].corners), exclusionCorners[k].bufferMetres});
        if (check = CheckLaidCorners(laidExclusions.back().corners, static_cast<int>(k)); !check.Ok()) {
            return check;
        }
    }
    plane.emplace(centred);
    area = std::move(laidArea);
    exclusions = std::move(laidExclusions);
    hectares = squareMetres / 1e4;
    return check;
}
