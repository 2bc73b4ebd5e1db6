#pragma once

#include <cmath>

// A place on the ground in decimal degrees (north and east positive), as planted objects record it.
struct GeoPosition {
    double latitude = 0.0;
    double longitude = 0.0;
};

// Whether the position is a latitude and longitude at all (finite, within +-90 and +-180 degrees).
inline bool IsOnEarth(GeoPosition p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::fabs(p.latitude) <= 90.0 &&
           std::fabs(p.longitude) <= 180.0;
}
