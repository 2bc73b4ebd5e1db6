#include "forest/LocalPlane.h"

#include <algorithm>
#include <cmath>

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/Math.hpp>

namespace {

// Reverse refines the ground's drop until the point found lies this close to the ellipsoid (metres).
constexpr double heightTolerance = 1e-4;
constexpr int maxRefinements = 4;

}  // namespace

LocalPlane::LocalPlane(GeoPosition origin_)
    : cartesian(origin_.latitude, origin_.longitude, 0.0, GeographicLib::Geocentric::WGS84()),
      origin(origin_) {
    const double a = GeographicLib::Constants::WGS84_a();
    const double f = GeographicLib::Constants::WGS84_f();
    const double e2 = f * (2.0 - f);
    const double s = GeographicLib::Math::sind(origin.latitude);
    const double w2 = 1.0 - e2 * s * s;
    const double primeVertical = a / std::sqrt(w2);
    const double meridional = a * (1.0 - e2) / (w2 * std::sqrt(w2));
    eastCurvature = 0.5 / primeVertical;
    northCurvature = 0.5 / meridional;
}

PlanePoint LocalPlane::Forward(GeoPosition position) const {
    double x = 0.0, y = 0.0, z = 0.0;
    cartesian.Forward(position.latitude, position.longitude, 0.0, x, y, z);
    return {x, y};
}

GeoPosition LocalPlane::Reverse(PlanePoint point) const {
    double z = -(eastCurvature * point.x * point.x + northCurvature * point.y * point.y);
    GeoPosition position;
    for (int round = 0; round <= maxRefinements; ++round) {
        double height = 0.0;
        cartesian.Reverse(point.x, point.y, z, position.latitude, position.longitude, height);
        if (!(std::fabs(height) > heightTolerance)) {
            break;
        }
        z -= height;
    }
    return position;
}

LocalPlane LocalPlane::AroundCorners(const std::vector<GeoPosition>& corners) {
    const LocalPlane first(corners.front());
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
    for (const GeoPosition& corner : corners) {
        const PlanePoint p = first.Forward(corner);
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return LocalPlane(first.Reverse({(minX + maxX) / 2.0, (minY + maxY) / 2.0}));
}
