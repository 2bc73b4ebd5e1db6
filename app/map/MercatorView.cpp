#include "app/map/MercatorView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double degree = std::numbers::pi / 180.0;
}

QPointF Mercator::FromDegrees(double latitude, double longitude) {
    const double held = std::clamp(latitude, -maxLatitude, maxLatitude) * degree;
    const double x = (longitude + 180.0) / 360.0;
    const double y = 0.5 - std::log(std::tan(std::numbers::pi / 4.0 + held / 2.0)) / (2.0 * std::numbers::pi);
    return {x, y};
}

double Mercator::LatitudeOf(double y) {
    return std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * y))) / degree;
}

double Mercator::LongitudeOf(double x) {
    return x * 360.0 - 180.0;
}

double Mercator::MetresPerPixel(double latitude, double zoom) {
    return std::cos(std::clamp(latitude, -maxLatitude, maxLatitude) * degree) * equatorMetres /
           (tileSize * std::exp2(zoom));
}

double Mercator::ZoomForMetresPerPixel(double latitude, double metres) {
    return std::log2(std::cos(std::clamp(latitude, -maxLatitude, maxLatitude) * degree) * equatorMetres /
                     (tileSize * metres));
}

double MercatorView::PixelsPerUnit() const {
    return Mercator::tileSize * std::exp2(zoom);
}

QPointF MercatorView::ToScreen(QPointF unit) const {
    const double scale = PixelsPerUnit();
    return {(unit.x() - centre.x()) * scale + size.width() / 2.0,
            (unit.y() - centre.y()) * scale + size.height() / 2.0};
}

QPointF MercatorView::ToUnit(QPointF screen) const {
    const double scale = PixelsPerUnit();
    return {centre.x() + (screen.x() - size.width() / 2.0) / scale,
            centre.y() + (screen.y() - size.height() / 2.0) / scale};
}

void MercatorView::ZoomAround(QPointF screen, double newZoom) {
    const QPointF fixed = ToUnit(screen);
    zoom = newZoom;
    const QPointF moved = ToUnit(screen);
    centre += fixed - moved;
}
