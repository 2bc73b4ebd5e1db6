#pragma once

#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/map/AircraftReader.h"
#include "app/map/MapObjectIndex.h"
#include "app/map/MercatorView.h"
#include "app/map/ObjectLayer.h"

class MapTiles;
class PlantingSession;

// The map itself: the background tiles where a source is set, a grid, every planted object, the copse
// pattern around the aircraft, the aircraft with its heading, a scale bar and a north arrow. The wheel
// and + and - zoom, a drag and the arrows pan, a double click centres; a click or Ctrl+click selects
// the object under the pointer, a drag with Shift (Ctrl+Shift: adding) selects what its band covers.
// It only reads the planted objects, from this thread; deleting goes through DeleteRequested.
class CMapCanvas : public QWidget {
    Q_OBJECT

public:
    explicit CMapCanvas(PlantingSession& session, QWidget* parent = nullptr);

    MercatorView& View() { return view; }
    const MercatorView& View() const { return view; }
    const MapObjectIndex& Index() const { return index; }

    // Reads the planted objects again after they changed (appends keep the selection).
    void ObjectsChanged();
    std::size_t SelectedCount() const { return selectedCount; }
    std::vector<std::size_t> SelectedIndices() const;
    void SelectInside(const QRectF& unitRect, bool adding);
    void ClearSelection();

    void SetTiles(MapTiles* tiles);
    void ShowAircraft(const AircraftFix& fix);
    const AircraftFix& Aircraft() const { return aircraft; }
    bool Connected() const { return connected; }
    void SetFollow(bool follow);
    void SetMeasuring(bool measuring);
    // The Forest window's area: its corners (joined in order, closed from three on) and the trees of
    // its preview, in degrees (x: longitude, y: latitude).
    void SetForestOverlay(std::vector<QPointF> corners, std::vector<QPointF> trees);
    // While on, a click adds a forest corner (CornerPicked) instead of selecting or measuring.
    void SetPickingCorners(bool picking);

    void ZoomBy(double levels, QPointF around);
    void ZoomBy(double levels) { ZoomBy(levels, QPointF(width() / 2.0, height() / 2.0)); }
    void PanBy(QPointF pixels);
    // Shows every planted object (or the aircraft, or the world, where there are none).
    void FitAll();
    void CentreOn(double latitude, double longitude);
    double MinZoom() const;
    double MaxZoom() const;

    // The position under a point of the widget, in degrees.
    QPointF DegreesAt(QPointF screen) const;  // x: longitude, y: latitude
    QString TooltipAt(QPointF screen) const;

Q_SIGNALS:
    void SelectionChanged();
    void ViewChanged();
    void PointerMoved(double latitude, double longitude);
    void DeleteRequested();
    void Measured(double metres, double bearing);
    void CornerPicked(double latitude, double longitude);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PaintTiles(QPainter& painter);
    void PaintGrid(QPainter& painter);
    void PaintCopsePreview(QPainter& painter);
    void PaintAircraft(QPainter& painter);
    void PaintMeasure(QPainter& painter);
    void PaintForest(QPainter& painter);
    void PaintScaleAndNorth(QPainter& painter);
    void ClickAt(QPointF screen, bool toggle);
    void MeasureAt(QPointF screen);
    void ClampView();
    std::ptrdiff_t ObjectAt(QPointF screen) const;
    void SelectionEdited();
    // The planted objects' layer, drawn again only when the view, the objects or the selection changed.
    const QImage& ObjectImage();

    PlantingSession& session;
    MercatorView view;
    MapObjectIndex index;
    ObjectLayer objectLayer;
    QImage objectImage;
    std::vector<bool> selected;  // one bit per planted object
    const std::vector<bool> noSelection;
    std::size_t selectedCount = 0;
    std::uint64_t selectionVersion = 0;  // counts every change to `selected`
    // What the object image shows: its view, objects and selection.
    struct DrawnLayer {
        MercatorView view;
        std::uint64_t objects = 0;
        std::uint64_t selection = 0;
    };
    std::optional<DrawnLayer> drawnLayer;
    QPointer<MapTiles> tiles;

    AircraftFix aircraft;
    bool everRead = false;
    bool connected = true;
    bool follow = false;
    bool measuring = false;
    std::vector<QPointF> measurePoints;  // longitude, latitude
    bool pickingCorners = false;
    std::vector<QPointF> forestCorners;  // longitude, latitude
    std::vector<QPointF> forestTrees;    // longitude, latitude

    // A drag under way: where it started, and whether it pans or draws a band.
    std::optional<QPointF> pressedAt;
    QPointF lastMouse;
    bool dragging = false;
    bool banding = false;
    bool bandAdds = false;
    QPointF bandEnd;
};
