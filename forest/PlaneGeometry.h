#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "forest/PlanePoint.h"

// Plane polygons as corner lists (closed implicitly: the last corner joins the first).
namespace PlaneGeometry {

// Shoelace area in square metres, positive for anticlockwise corners.
double SignedArea(const std::vector<PlanePoint>& corners);

// Whether the closed segments ab and cd share a point.
bool SegmentsTouch(PlanePoint a, PlanePoint b, PlanePoint c, PlanePoint d);

// The first pair of edges (i < j) that cross or touch (a corner within a centimetre of another edge),
// other than neighbouring edges meeting at their shared corner; neighbours that fold back over each
// other count. Edges are sorted by their
// lowest y and each is tested only against those whose y-ranges overlap it: O(n log n) plus the
// overlapping pairs, which for the outlines people draw or import is close to linear (a polygon whose
// edges all share one band of y falls back to comparing every pair).
std::optional<std::pair<std::size_t, std::size_t>> FindCrossingEdges(const std::vector<PlanePoint>& corners);

// Squared distance from p to the segment ab.
double SquaredDistanceToSegment(PlanePoint p, PlanePoint a, PlanePoint b);

// Whether p is inside the polygon by the crossing rule (points on the border may go either way).
bool Contains(const std::vector<PlanePoint>& corners, PlanePoint p);

}  // namespace PlaneGeometry
