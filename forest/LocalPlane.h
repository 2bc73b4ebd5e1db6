#pragma once

#include <array>
#include <vector>

#include <GeographicLib/LocalCartesian.hpp>

#include "forest/GeoPosition.h"
#include "forest/PlanePoint.h"

// The tangent plane to the WGS84 ellipsoid at an origin, where areas are measured and trees spaced.
// Forward drops a ground point straight onto the plane (along the plane's normal); Reverse finds the
// ground point that Forward drops onto a plane point, so the two are each other's inverse to well
// under a millimetre within a few hundred kilometres of the origin. Reverse is worked out directly
// (where the plane's normal through the point meets the ellipsoid: one quadratic, two arc tangents),
// since a large fill turns a million points back. Dropping onto the plane only
// shortens distances, so two trees a plane distance d apart stand at least d apart on the ground,
// and a point of the plane inside a polygon of dropped corners is inside on the ground as the map
// draws short edges.
class LocalPlane {
public:
    explicit LocalPlane(GeoPosition origin);

    // The plane around the middle of the corners' box (in a plane around the first corner), so that
    // no part of a shape lies further from the origin than it must. Needs at least one corner.
    static LocalPlane AroundCorners(const std::vector<GeoPosition>& corners);

    PlanePoint Forward(GeoPosition position) const;
    GeoPosition Reverse(PlanePoint point) const;
    GeoPosition Origin() const { return origin; }

private:
    using Vector = std::array<double, 3>;

    GeographicLib::LocalCartesian cartesian;
    GeoPosition origin;
    // Earth-centred coordinates in units of the equatorial radius, with z stretched by
    // 1 / (1 - e^2) in the products below, so that the ellipsoid is where the product of a point with
    // itself is one.
    Vector originPoint{};
    Vector east{}, north{}, up{};
    double originOffset = 0.0;  // originPoint's own product less one: zero but for rounding
};
