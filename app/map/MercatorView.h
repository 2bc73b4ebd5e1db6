#pragma once

#include <QPointF>
#include <QSize>

// The web-Mercator projection the map draws in, the one tile servers use: the world as a unit square,
// x east from -180 degrees, y south from about 85.05 degrees north; at zoom z the square is 256 x 2^z
// pixels, so that tile (z, x, y) covers pixels 256x to 256x + 255.
namespace Mercator {
inline constexpr double tileSize = 256.0;
inline constexpr double equatorMetres = 40075016.685578488;  // WGS84 equator length
inline constexpr double maxLatitude = 85.0511287798066;

QPointF FromDegrees(double latitude, double longitude);  // unit square
double LatitudeOf(double y);
double LongitudeOf(double x);
// The ground length of one pixel at `latitude` and zoom `zoom`.
double MetresPerPixel(double latitude, double zoom);
// The zoom where one pixel covers `metres` at `latitude`.
double ZoomForMetresPerPixel(double latitude, double metres);
}  // namespace Mercator

// What part of the world a map of `size` pixels shows: its centre in the unit square and its zoom.
struct MercatorView {
    QPointF centre{0.5, 0.5};
    double zoom = 2.0;
    QSize size{800, 600};

    double PixelsPerUnit() const;
    QPointF ToScreen(QPointF unit) const;
    QPointF ToUnit(QPointF screen) const;
    // Keeps the centre at `screen` while zooming to `newZoom`.
    void ZoomAround(QPointF screen, double newZoom);
};
