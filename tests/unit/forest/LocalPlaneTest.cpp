#include "forest/LocalPlane.h"

#include <gtest/gtest.h>

#include <cmath>

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/LocalCartesian.hpp>

// Reverse finds the ground point that drops straight onto the plane point: GeographicLib's own local
// frame, given that point on the ellipsoid, puts it back at the plane point, at places from the
// equator to near the pole and across the date line, out to the largest span an area may have.
TEST(LocalPlane, ReverseIsTheGroundPointOverThePlanePoint) {
    const GeoPosition origins[] = {{0.0, 0.0},   {47.5, 8.25}, {-33.9, 151.2},
                                   {78.2, 15.6}, {89.9, 0.0},  {12.0, 179.99}};
    for (const GeoPosition origin : origins) {
        const LocalPlane plane(origin);
        const GeographicLib::LocalCartesian frame(origin.latitude, origin.longitude, 0.0,
                                                  GeographicLib::Geocentric::WGS84());
        for (const double distance : {0.0, 1.0, 1e3, 1e5, 2.5e5}) {
            for (int direction = 0; direction < 8; ++direction) {
                const double angle = direction * M_PI / 4.0 + 0.3;
                const PlanePoint p{distance * std::cos(angle), distance * std::sin(angle)};
                const GeoPosition ground = plane.Reverse(p);
                double x = 0.0, y = 0.0, z = 0.0;
                frame.Forward(ground.latitude, ground.longitude, 0.0, x, y, z);
                EXPECT_NEAR(x, p.x, 1e-6)
                    << origin.latitude << ", " << origin.longitude << ": " << p.x << ", " << p.y;
                EXPECT_NEAR(y, p.y, 1e-6)
                    << origin.latitude << ", " << origin.longitude << ": " << p.x << ", " << p.y;
            }
        }
    }
}
