#include "forest/LocalPlane.h"

#include <algorithm>
#include <cmath>

#include <GeographicLib/Constants.hpp>
#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/Math.hpp>

namespace {

const double equatorialRadius = GeographicLib::Constants::WGS84_a();
const double flattening = GeographicLib::Constants::WGS84_f();
const double squaredEccentricity = flattening * (2.0 - flattening);
const double polarStretch = 1.0 / (1.0 - squaredEccentricity);

constexpr double degreesPerRadian = 57.29577951308232087680;

// The product under which the ellipsoid is the set of points whose product with themselves is one.
double Product(const std::array<double, 3>& u, const std::array<double, 3>& v) {
    return u[0] * v[0] + u[1] * v[1] + polarStretch * u[2] * v[2];
}

}  // namespace

LocalPlane::LocalPlane(GeoPosition origin_)
    : cartesian(origin_.latitude, origin_.longitude, 0.0, GeographicLib::Geocentric::WGS84()),
      origin(origin_) {
    double sinLatitude = 0.0, cosLatitude = 0.0, sinLongitude = 0.0, cosLongitude = 0.0;
    GeographicLib::Math::sincosd(origin.latitude, sinLatitude, cosLatitude);
    GeographicLib::Math::sincosd(origin.longitude, sinLongitude, cosLongitude);
    east = {-sinLongitude, cosLongitude, 0.0};
    north = {-sinLatitude * cosLongitude, -sinLatitude * sinLongitude, cosLatitude};
    up = {cosLatitude * cosLongitude, cosLatitude * sinLongitude, sinLatitude};
    double x = 0.0, y = 0.0, z = 0.0;
    GeographicLib::Geocentric::WGS84().Forward(origin.latitude, origin.longitude, 0.0, x, y, z);
    originPoint = {x / equatorialRadius, y / equatorialRadius, z / equatorialRadius};
    originOffset = Product(originPoint, originPoint) - 1.0;
}

PlanePoint LocalPlane::Forward(GeoPosition position) const {
    double x = 0.0, y = 0.0, z = 0.0;
    cartesian.Forward(position.latitude, position.longitude, 0.0, x, y, z);
    return {x, y};
}

// The ground point is originPoint + d + t * up, with d the plane point's offset: t solves
// A t^2 + 2 B t + C = 0 with C = originOffset + 2 (originPoint . d) + d . d, small and free of
// cancellation, taken at the root near the plane. On the ellipsoid the latitude follows from the
// point's height above the equator and its distance from the axis alone.
GeoPosition LocalPlane::Reverse(PlanePoint point) const {
    const double x = point.x / equatorialRadius, y = point.y / equatorialRadius;
    const Vector offset{x * east[0] + y * north[0], x * east[1] + y * north[1], y * north[2]};
    const Vector near{originPoint[0] + offset[0], originPoint[1] + offset[1], originPoint[2] + offset[2]};
    const double a = Product(up, up), b = Product(near, up);
    const double c = originOffset + 2.0 * Product(originPoint, offset) + Product(offset, offset);
    const double t = -c / (b + std::sqrt(std::max(b * b - a * c, 0.0)));
    const Vector ground{near[0] + t * up[0], near[1] + t * up[1], near[2] + t * up[2]};
    const double axisDistance = std::sqrt(ground[0] * ground[0] + ground[1] * ground[1]);
    return {std::atan2(polarStretch * ground[2], axisDistance) * degreesPerRadian,
            std::atan2(ground[1], ground[0]) * degreesPerRadian};
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
