#pragma once

#include <vector>

#include <GeographicLib/LocalCartesian.hpp>

#include "forest/GeoPosition.h"
#include "forest/PlanePoint.h"

// The tangent plane to the WGS84 ellipsoid at an origin, where areas are measured and trees spaced.
// Forward drops a ground point straight onto the plane (along the plane's normal); Reverse finds the
// ground point that Forward drops onto a plane point, so the two are each other's inverse to well
// under a millimetre within a few hundred kilometres of the origin. Dropping onto the plane only
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
    GeographicLib::LocalCartesian cartesian;
    GeoPosition origin;
    // Half the ellipsoid's curvature east and north at the origin: the ground's drop below the
    // plane is close to eastCurvature * x^2 + northCurvature * y^2.
    double eastCurvature = 0.0;
    double northCurvature = 0.0;
};
