#include "app/map/CMapCanvas.h"

#include <GeographicLib/Geodesic.hpp>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/PlantingSession.h"
#include "app/map/MapTiles.h"
#include "document/PlantedObjectsExport.h"

namespace {

const QColor landColour(0xf2, 0xef, 0xe6);
const QColor gridColour(0, 0, 0, 40);
constexpr double clickRadiusPixels = 6.0;
constexpr double dragThresholdPixels = 4.0;

// 1, 2 or 5 times a power of ten, the largest not above `value`.
double RoundDown125(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= value) {
            return step * power;
        }
    }
    return power;
}

QString Metres(double metres) {
    if (metres >= 1000.0) {
        return QString::number(metres / 1000.0, 'g', 4) + QStringLiteral(" km");
    }
    if (metres >= 1.0) {
        return QString::number(metres, 'f', metres >= 100.0 ? 0 : 1) + QStringLiteral(" m");
    }
    return QString::number(metres * 100.0, 'f', 0) + QStringLiteral(" cm");
}

}  // namespace

CMapCanvas::CMapCanvas(PlantingSession& plantingSession, QWidget* parent)
    : QWidget(parent), session(plantingSession) {
    setObjectName(QStringLiteral("mapCanvas"));
    setAccessibleName(QStringLiteral("Map"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
    ObjectsChanged();
}

void CMapCanvas::ObjectsChanged() {
    const PlantingList& list = session.Document().PlantedObjects();
    // Indices stay valid only where entries were appended.
    if (!index.Update(list)) {
        ClearSelection();
    }
    selected.resize(list.Count(), false);
    SelectionEdited();
    update();
}

std::vector<std::size_t> CMapCanvas::SelectedIndices() const {
    std::vector<std::size_t> chosen;
    chosen.reserve(selectedCount);
    for (std::size_t i = 0; i < selected.size(); ++i) {
        if (selected[i]) {
            chosen.push_back(i);
        }
    }
    return chosen;
}

void CMapCanvas::SelectionEdited() {
    ++selectionVersion;
}

void CMapCanvas::ClearSelection() {
    std::fill(selected.begin(), selected.end(), false);
    const bool had = selectedCount != 0;
    selectedCount = 0;
    SelectionEdited();
    if (had) {
        Q_EMIT SelectionChanged();
    }
    update();
}

void CMapCanvas::SelectInside(const QRectF& unitRect, bool adding) {
    if (!adding) {
        std::fill(selected.begin(), selected.end(), false);
        selectedCount = 0;
    }
    const QRectF r = unitRect.normalized();
    index.ForEachNear(
        r, [](std::size_t, double, QPointF, std::size_t) { return true; },
        [&](std::uint32_t object, double x, double y, std::uint8_t) {
            if (x >= r.left() && x <= r.right() && y >= r.top() && y <= r.bottom() && !selected[object]) {
                selected[object] = true;
                ++selectedCount;
            }
        });
    SelectionEdited();
    Q_EMIT SelectionChanged();
    update();
}

void CMapCanvas::SetTiles(MapTiles* newTiles) {
    if (tiles != nullptr) {
        disconnect(tiles, nullptr, this, nullptr);
    }
    tiles = newTiles;
    if (tiles != nullptr) {
        connect(tiles, &MapTiles::TileArrived, this, [this] { update(); });
    }
    ClampView();
    update();
}

void CMapCanvas::ShowAircraft(const AircraftFix& fix) {
    connected = fix.ok;
    if (fix.ok) {
        aircraft = fix;
        if (!everRead && index.Count() == 0) {
            CentreOn(fix.latitude, fix.longitude);
        }
        everRead = true;
        if (follow) {
            CentreOn(fix.latitude, fix.longitude);
        }
    }
    update();
}

void CMapCanvas::SetFollow(bool on) {
    follow = on;
    if (follow && everRead) {
        CentreOn(aircraft.latitude, aircraft.longitude);
    }
}

void CMapCanvas::SetMeasuring(bool on) {
    measuring = on;
    measurePoints.clear();
    setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    update();
}

double CMapCanvas::MinZoom() const {
    return 0.0;
}

double CMapCanvas::MaxZoom() const {
    const double latitude = Mercator::LatitudeOf(view.centre.y());
    return std::max(1.0, Mercator::ZoomForMetresPerPixel(latitude, 0.05));
}

void CMapCanvas::ClampView() {
    view.zoom = std::clamp(view.zoom, MinZoom(), MaxZoom());
    view.centre.setX(std::clamp(view.centre.x(), 0.0, 1.0));
    view.centre.setY(std::clamp(view.centre.y(), 0.0, 1.0));
    Q_EMIT ViewChanged();
}

void CMapCanvas::ZoomBy(double levels, QPointF around) {
    view.ZoomAround(around, std::clamp(view.zoom + levels, MinZoom(), MaxZoom()));
    ClampView();
    update();
}

void CMapCanvas::PanBy(QPointF pixels) {
    view.centre -= pixels / view.PixelsPerUnit();
    ClampView();
    update();
}

void CMapCanvas::FitAll() {
    view.size = size();
    if (index.Count() == 0) {
        if (everRead) {
            CentreOn(aircraft.latitude, aircraft.longitude);
        } else {
            view.centre = QPointF(0.5, 0.5);
            view.zoom = 1.0;
        }
        ClampView();
        update();
        return;
    }
    const QRectF bounds = index.Bounds();
    view.centre = bounds.center();
    const double spanX = std::max(bounds.width(), 1e-9);
    const double spanY = std::max(bounds.height(), 1e-9);
    const double fit = std::min((width() - 40) / spanX, (height() - 40) / spanY);
    view.zoom = std::log2(std::max(fit, 1.0) / Mercator::tileSize);
    ClampView();
    update();
}

void CMapCanvas::CentreOn(double latitude, double longitude) {
    view.centre = Mercator::FromDegrees(latitude, longitude);
    ClampView();
    update();
}

QPointF CMapCanvas::DegreesAt(QPointF screen) const {
    const QPointF unit = view.ToUnit(screen);
    return {Mercator::LongitudeOf(unit.x()), Mercator::LatitudeOf(unit.y())};
}

std::ptrdiff_t CMapCanvas::ObjectAt(QPointF screen) const {
    return index.Nearest(view.ToUnit(screen), clickRadiusPixels / view.PixelsPerUnit());
}

QString CMapCanvas::TooltipAt(QPointF screen) const {
    const std::ptrdiff_t found = ObjectAt(screen);
    // A busy session may be changing the list on another thread (a forest being planted).
    if (found < 0 || session.IsBusy()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(found);
    const PlantingList& list = session.Document().PlantedObjects();
    if (at >= list.Count()) {
        return {};
    }
    const ModelAndHeight kind = ModelAndHeightOf(list.GuidViewAt(at));
    const QString name =
        kind.model.empty() ? QStringLiteral("Unknown object %1").arg(QString::fromStdString(list.GuidAt(at)))
                           : QString::fromStdString(kind.model + " - " + kind.height);
    return QStringLiteral("%1\nLatitude %2\nLongitude %3\nNumber %4")
        .arg(name, QString::number(list.LatitudeAt(at), 'f', 7),
             QString::number(list.LongitudeAt(at), 'f', 7))
        .arg(at + 1);
}

void CMapCanvas::resizeEvent(QResizeEvent* event) {
    view.size = size();
    QWidget::resizeEvent(event);
}

void CMapCanvas::paintEvent(QPaintEvent*) {
    view.size = size();
    QPainter painter(this);
    painter.fillRect(rect(), landColour);
    PaintTiles(painter);
    PaintGrid(painter);
    painter.drawImage(0, 0, ObjectImage());
    painter.setRenderHint(QPainter::Antialiasing);
    PaintCopsePreview(painter);
    PaintAircraft(painter);
    PaintMeasure(painter);
    PaintForest(painter);
    if (banding) {
        painter.setPen(QPen(QColor(0, 90, 200), 1, Qt::DashLine));
        painter.setBrush(QColor(0, 90, 200, 40));
        painter.drawRect(QRectF(*pressedAt, bandEnd).normalized());
    }
    PaintScaleAndNorth(painter);
    if (tiles != nullptr && !tiles->Attribution().isEmpty()) {
        const QString text = tiles->Attribution();
        const QRect box = painter.fontMetrics().boundingRect(text).adjusted(-4, -2, 4, 2);
        const QRect placed(width() - box.width() - 2, height() - box.height() - 2, box.width(), box.height());
        painter.fillRect(placed, QColor(255, 255, 255, 200));
        painter.setPen(Qt::black);
        painter.drawText(placed, Qt::AlignCenter, text);
    }
    if (!connected) {
        const QString text = QStringLiteral("No connection to the simulator");
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        const QRect box = painter.fontMetrics().boundingRect(text).adjusted(-10, -6, 10, 6);
        const QRect placed(box.translated(rect().center() - box.center()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 40, 40, 200));
        painter.drawRoundedRect(placed, 6, 6);
        painter.setPen(Qt::white);
        painter.drawText(placed, Qt::AlignCenter, text);
    }
}

const QImage& CMapCanvas::ObjectImage() {
    const bool same = drawnLayer && objectImage.size() == size() && drawnLayer->view.size == view.size &&
                      drawnLayer->view.centre == view.centre && drawnLayer->view.zoom == view.zoom &&
                      drawnLayer->objects == index.Generation() && drawnLayer->selection == selectionVersion;
    if (same) {
        return objectImage;
    }
    if (objectImage.size() != size()) {
        objectImage = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    }
    objectImage.fill(Qt::transparent);
    objectLayer.Draw(objectImage, view, index, selectedCount != 0 ? selected : noSelection, selectionVersion);
    drawnLayer = DrawnLayer{view, index.Generation(), selectionVersion};
    return objectImage;
}

void CMapCanvas::PaintTiles(QPainter& painter) {
    if (tiles == nullptr) {
        return;
    }
    const int tileZoom =
        std::clamp(static_cast<int>(std::round(view.zoom)), 0, std::max(0, tiles->MaxZoom()));
    const double tilesAcross = std::exp2(tileZoom);
    const double tilePixels = view.PixelsPerUnit() / tilesAcross;
    const QPointF topLeft = view.ToUnit(QPointF(0, 0));
    const QPointF bottomRight = view.ToUnit(QPointF(width(), height()));
    const int firstX = static_cast<int>(std::floor(topLeft.x() * tilesAcross));
    const int lastX = static_cast<int>(std::floor(bottomRight.x() * tilesAcross));
    const int firstY = std::max(0, static_cast<int>(std::floor(topLeft.y() * tilesAcross)));
    const int lastY = std::min(static_cast<int>(tilesAcross) - 1,
                               static_cast<int>(std::floor(bottomRight.y() * tilesAcross)));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int y = firstY; y <= lastY; ++y) {
        for (int x = firstX; x <= lastX; ++x) {
            const int wrapped = ((x % static_cast<int>(tilesAcross)) + static_cast<int>(tilesAcross)) %
                                static_cast<int>(tilesAcross);
            const QPointF corner = view.ToScreen(QPointF(x / tilesAcross, y / tilesAcross));
            const QRectF place(corner, QSizeF(tilePixels, tilePixels));
            const QImage tile = tiles->Tile(tileZoom, wrapped, y);
            if (tile.isNull()) {
                painter.fillRect(place, QColor(0xd8, 0xd8, 0xd8));
            } else {
                painter.drawImage(place, tile);
            }
        }
    }
}

void CMapCanvas::PaintGrid(QPainter& painter) {
    // Lines of latitude and longitude about every 100 pixels, at round numbers of degrees.
    const QPointF topLeft = DegreesAt(QPointF(0, 0));
    const QPointF bottomRight = DegreesAt(QPointF(width(), height()));
    const double degreesAcross = std::max(1e-9, bottomRight.x() - topLeft.x());
    const double step = RoundDown125(degreesAcross * 100.0 / std::max(1, width()));
    painter.setPen(QPen(gridColour, 1));
    for (double longitude = std::ceil(topLeft.x() / step) * step; longitude <= bottomRight.x();
         longitude += step) {
        const double x = view.ToScreen(Mercator::FromDegrees(0.0, longitude)).x();
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
    for (double latitude = std::ceil(bottomRight.y() / step) * step; latitude <= topLeft.y();
         latitude += step) {
        const double y = view.ToScreen(Mercator::FromDegrees(latitude, 0.0)).y();
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
    }
}

void CMapCanvas::PaintCopsePreview(QPainter& painter) {
    const PlantingList& pattern = session.Document().CopsePattern();
    if (!everRead || pattern.Count() == 0) {
        return;
    }
    painter.setPen(QPen(QColor(0, 110, 220), 1.5));
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < pattern.Count(); ++i) {
        // A press plants each member at the aircraft plus its offsets in degrees.
        const QPointF at = view.ToScreen(Mercator::FromDegrees(aircraft.latitude + pattern.LatitudeAt(i),
                                                               aircraft.longitude + pattern.LongitudeAt(i)));
        if (rect().adjusted(-5, -5, 5, 5).contains(at.toPoint())) {
            painter.drawEllipse(at, 4.0, 4.0);
        }
    }
}

void CMapCanvas::PaintAircraft(QPainter& painter) {
    if (!everRead) {
        return;
    }
    const QPointF at = view.ToScreen(Mercator::FromDegrees(aircraft.latitude, aircraft.longitude));
    QPainterPath plane;
    plane.moveTo(0, -14);
    plane.lineTo(9, 10);
    plane.lineTo(0, 5);
    plane.lineTo(-9, 10);
    plane.closeSubpath();
    painter.save();
    painter.translate(at);
    painter.rotate(aircraft.heading);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(connected ? QColor(220, 30, 30) : QColor(120, 120, 120));
    painter.drawPath(plane);
    painter.restore();
}

void CMapCanvas::PaintMeasure(QPainter& painter) {
    if (measurePoints.empty()) {
        return;
    }
    painter.setPen(QPen(QColor(30, 30, 160), 2));
    std::vector<QPointF> onScreen;
    for (const QPointF& point : measurePoints) {
        onScreen.push_back(view.ToScreen(Mercator::FromDegrees(point.y(), point.x())));
        painter.drawEllipse(onScreen.back(), 3.0, 3.0);
    }
    if (onScreen.size() == 2) {
        painter.drawLine(onScreen[0], onScreen[1]);
    }
}

void CMapCanvas::PaintScaleAndNorth(QPainter& painter) {
    const double metresPerPixel = Mercator::MetresPerPixel(Mercator::LatitudeOf(view.centre.y()), view.zoom);
    const double metres = RoundDown125(metresPerPixel * 120.0);
    const double pixels = metres / metresPerPixel;
    const QPointF left(12, height() - 16);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(left, left + QPointF(pixels, 0));
    painter.drawLine(left, left - QPointF(0, 6));
    painter.drawLine(left + QPointF(pixels, 0), left + QPointF(pixels, -6));
    painter.drawText(QPointF(left.x(), left.y() - 8), Metres(metres));
    // North is up in this projection.
    const QPointF tip(width() - 24, 16);
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(7, 20));
    arrow.lineTo(tip + QPointF(0, 15));
    arrow.lineTo(tip + QPointF(-7, 20));
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
    painter.drawText(QRectF(tip.x() - 10, tip.y() + 21, 20, 16), Qt::AlignCenter, QStringLiteral("N"));
}

void CMapCanvas::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton) {
        return;
    }
    pressedAt = event->position();
    lastMouse = event->position();
    dragging = false;
    banding = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) && !measuring;
    bandAdds = (event->modifiers() & Qt::ControlModifier) != 0;
    bandEnd = event->position();
}

void CMapCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPointF degrees = DegreesAt(event->position());
    Q_EMIT PointerMoved(degrees.y(), degrees.x());
    if (!pressedAt) {
        return;
    }
    if (!dragging && QLineF(*pressedAt, event->position()).length() >= dragThresholdPixels) {
        dragging = true;
    }
    if (dragging) {
        if (banding) {
            bandEnd = event->position();
            update();
        } else {
            PanBy(event->position() - lastMouse);
        }
    }
    lastMouse = event->position();
}

void CMapCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressedAt) {
        return;
    }
    if (banding && dragging) {
        SelectInside(QRectF(view.ToUnit(*pressedAt), view.ToUnit(event->position())), bandAdds);
    } else if (!dragging && event->button() == Qt::LeftButton) {
        if (pickingCorners) {
            const QPointF degrees = DegreesAt(event->position());
            Q_EMIT CornerPicked(degrees.y(), degrees.x());
        } else if (measuring) {
            MeasureAt(event->position());
        } else {
            ClickAt(event->position(), (event->modifiers() & Qt::ControlModifier) != 0);
        }
    }
    pressedAt.reset();
    dragging = false;
    banding = false;
    update();
}

void CMapCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPointF degrees = DegreesAt(event->position());
    CentreOn(degrees.y(), degrees.x());
}

void CMapCanvas::wheelEvent(QWheelEvent* event) {
    ZoomBy(event->angleDelta().y() / 120.0 * 0.5, event->position());
    event->accept();
}

void CMapCanvas::keyPressEvent(QKeyEvent* event) {
    const double step = std::min(width(), height()) / 4.0;
    switch (event->key()) {
        case Qt::Key_Left:
            PanBy(QPointF(step, 0));
            break;
        case Qt::Key_Right:
            PanBy(QPointF(-step, 0));
            break;
        case Qt::Key_Up:
            PanBy(QPointF(0, step));
            break;
        case Qt::Key_Down:
            PanBy(QPointF(0, -step));
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomBy(0.5);
            break;
        case Qt::Key_Minus:
            ZoomBy(-0.5);
            break;
        case Qt::Key_Delete:
            Q_EMIT DeleteRequested();
            break;
        case Qt::Key_Escape:
            ClearSelection();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

bool CMapCanvas::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = TooltipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void CMapCanvas::ClickAt(QPointF screen, bool toggle) {
    const std::ptrdiff_t found = ObjectAt(screen);
    if (!toggle) {
        std::fill(selected.begin(), selected.end(), false);
        selectedCount = 0;
    }
    if (found >= 0 && static_cast<std::size_t>(found) < selected.size()) {
        const auto at = static_cast<std::size_t>(found);
        selected[at] = !selected[at];
        selectedCount = selected[at] ? selectedCount + 1 : selectedCount - 1;
    }
    SelectionEdited();
    Q_EMIT SelectionChanged();
    update();
}

void CMapCanvas::SetForestOverlay(std::vector<QPointF> corners, std::vector<QPointF> trees) {
    forestCorners = std::move(corners);
    forestTrees = std::move(trees);
    update();
}

void CMapCanvas::SetPickingCorners(bool picking) {
    pickingCorners = picking;
    setCursor(picking ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CMapCanvas::PaintForest(QPainter& painter) {
    const auto screenOf = [this](QPointF degrees) {
        return view.ToScreen(Mercator::FromDegrees(degrees.y(), degrees.x()));
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 120, 40, 160));
    for (const QPointF& tree : forestTrees) {
        painter.drawEllipse(screenOf(tree), 1.5, 1.5);
    }
    if (forestCorners.empty()) {
        return;
    }
    QPolygonF outline;
    for (const QPointF& corner : forestCorners) {
        outline << screenOf(corner);
    }
    painter.setPen(QPen(QColor(20, 120, 40), 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    if (outline.size() >= 3) {
        painter.drawPolygon(outline);
    } else {
        painter.drawPolyline(outline);
    }
    painter.setBrush(QColor(20, 120, 40));
    for (const QPointF& corner : outline) {
        painter.drawEllipse(corner, 3.5, 3.5);
    }
}

void CMapCanvas::MeasureAt(QPointF screen) {
    if (measurePoints.size() >= 2) {
        measurePoints.clear();
    }
    measurePoints.push_back(DegreesAt(screen));
    if (measurePoints.size() == 2) {
        double metres = 0.0;
        double bearing = 0.0;
        double arrival = 0.0;
        GeographicLib::Geodesic::WGS84().Inverse(measurePoints[0].y(), measurePoints[0].x(),
                                                 measurePoints[1].y(), measurePoints[1].x(), metres, bearing,
                                                 arrival);
        Q_EMIT Measured(metres, bearing < 0.0 ? bearing + 360.0 : bearing);
    }
    update();
}
