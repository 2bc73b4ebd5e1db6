#pragma once

// A point of a local tangent plane in metres: x east, y north of the plane's origin.
struct PlanePoint {
    double x = 0.0;
    double y = 0.0;
};
