#pragma once

#include <cmath>
#include <vector>

#include <GeographicLib/Geodesic.hpp>

#include "forest/GeoPosition.h"
#include "forest/LocalPlane.h"
#include "forest/TreeMix.h"

// Shapes given in metres east and north of a place, turned into corners on the ground.
inline std::vector<GeoPosition> CornersAround(GeoPosition centre, const std::vector<PlanePoint>& metres) {
    const LocalPlane plane(centre);
    std::vector<GeoPosition> corners;
    for (const PlanePoint& p : metres) {
        corners.push_back(plane.Reverse(p));
    }
    return corners;
}

inline double GroundDistance(double lat1, double lon1, double lat2, double lon2) {
    double s12 = 0.0;
    GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, s12);
    return s12;
}

inline TreeMix OneModelMix(int baseIndex = 0) {
    TreeMix mix;
    mix.Build({MixModel{baseIndex, {0}, {}, 1.0}});
    return mix;
}
