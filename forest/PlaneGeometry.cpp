#include "forest/PlaneGeometry.h"

#include <algorithm>
#include <numeric>

namespace PlaneGeometry {

namespace {

double Cross(PlanePoint o, PlanePoint a, PlanePoint b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

int Sign(double value) {
    return (value > 0.0) - (value < 0.0);
}

// For c on the line through ab: whether it lies within the segment's box.
bool OnSegment(PlanePoint a, PlanePoint b, PlanePoint c) {
    return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
           c.y <= std::max(a.y, b.y);
}

// Corners come from degrees through the plane, so a corner meant to lie on an edge lies a rounding
// error off it: within this distance (metres) a corner touches an edge.
constexpr double touchDistance = 0.01;

bool Near(PlanePoint p, PlanePoint a, PlanePoint b) {
    return SquaredDistanceToSegment(p, a, b) < touchDistance * touchDistance;
}

// Neighbouring edges a->b and b->c fold back when one's far end lies on the other.
bool FoldsBack(PlanePoint a, PlanePoint b, PlanePoint c) {
    return Near(c, a, b) || Near(a, b, c);
}

struct EdgeSpan {
    // The edge's y-range, widened by the touching distance.
    double low, high;
    std::size_t edge;
};

bool Neighbours(std::size_t i, std::size_t j, std::size_t n) {
    return j == i + 1 || (i == 0 && j == n - 1);
}

bool NeighboursCross(const std::vector<PlanePoint>& c, std::size_t i, std::size_t j) {
    const std::size_t n = c.size();
    if (j == i + 1) {
        return FoldsBack(c[i], c[j], c[(j + 1) % n]);
    }
    return FoldsBack(c[n - 1], c[0], c[1]);  // edges n - 1 and 0 meet at corner 0
}

bool EdgesCross(const std::vector<PlanePoint>& c, std::size_t i, std::size_t j) {
    const std::size_t n = c.size();
    if (Neighbours(i, j, n)) {
        return NeighboursCross(c, i, j);
    }
    const PlanePoint a = c[i], b = c[(i + 1) % n], d = c[j], e = c[(j + 1) % n];
    return SegmentsTouch(a, b, d, e) || Near(a, d, e) || Near(b, d, e) || Near(d, a, b) || Near(e, a, b);
}

}  // namespace

double SignedArea(const std::vector<PlanePoint>& corners) {
    double twice = 0.0;
    for (std::size_t i = 0, n = corners.size(); i < n; ++i) {
        const PlanePoint a = corners[i], b = corners[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2.0;
}

bool SegmentsTouch(PlanePoint a, PlanePoint b, PlanePoint c, PlanePoint d) {
    const int d1 = Sign(Cross(c, d, a)), d2 = Sign(Cross(c, d, b));
    const int d3 = Sign(Cross(a, b, c)), d4 = Sign(Cross(a, b, d));
    if (d1 * d2 < 0 && d3 * d4 < 0) {
        return true;
    }
    return (d1 == 0 && OnSegment(c, d, a)) || (d2 == 0 && OnSegment(c, d, b)) ||
           (d3 == 0 && OnSegment(a, b, c)) || (d4 == 0 && OnSegment(a, b, d));
}

std::optional<std::pair<std::size_t, std::size_t>> FindCrossingEdges(const std::vector<PlanePoint>& corners) {
    const std::size_t n = corners.size();
    std::vector<EdgeSpan> spans(n);
    for (std::size_t i = 0; i < n; ++i) {
        const PlanePoint a = corners[i], b = corners[(i + 1) % n];
        spans[i] = {std::min(a.y, b.y) - touchDistance, std::max(a.y, b.y) + touchDistance, i};
    }
    std::sort(spans.begin(), spans.end(), [](const EdgeSpan& l, const EdgeSpan& r) {
        return l.low < r.low || (l.low == r.low && l.edge < r.edge);
    });
    std::optional<std::pair<std::size_t, std::size_t>> found;
    for (std::size_t s = 0; s < n; ++s) {
        for (std::size_t t = s + 1; t < n && spans[t].low <= spans[s].high; ++t) {
            const std::size_t i = std::min(spans[s].edge, spans[t].edge),
                              j = std::max(spans[s].edge, spans[t].edge);
            if (EdgesCross(corners, i, j) && (!found || std::make_pair(i, j) < *found)) {
                found = std::make_pair(i, j);
            }
        }
    }
    return found;
}

double SquaredDistanceToSegment(PlanePoint p, PlanePoint a, PlanePoint b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

bool Contains(const std::vector<PlanePoint>& corners, PlanePoint p) {
    bool inside = false;
    for (std::size_t i = 0, n = corners.size(); i < n; ++i) {
        const PlanePoint a = corners[i], b = corners[(i + 1) % n];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
            inside = !inside;
        }
    }
    return inside;
}

}  // namespace PlaneGeometry
