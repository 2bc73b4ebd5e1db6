#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <memory>

class AircraftReader;
class CMapCanvas;
class MapTiles;
class PlantingSession;
class QAction;
class QLabel;

// The Map window: the canvas, its "Map" menu (background, export, follow, measure, zoom, delete), a
// tool bar with the tools used most and a status bar with the pointer's position, the scale and the
// selection's size. While shown it reads the aircraft live; its size, place, zoom, centre and background are
// remembered between runs.
class CMapWindow : public QMainWindow {
    Q_OBJECT

public:
    CMapWindow(PlantingSession& session, QWidget* parent = nullptr);
    ~CMapWindow() override;

    CMapCanvas& Canvas() { return *canvas; }
    // Shows the window beside `beside` the first time, where it was after that.
    void ShowBeside(QWidget* beside);

    // Deletes the selected objects as one undo step; refused while the session is busy.
    void DeleteSelection();
    // Writes the planted objects; the text says what happened.
    QString ExportKml(const QString& file);
    QString ExportCsv(const QString& file);
    void ShowMessage(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildToolBar(const QList<QAction*>& actions);
    void BuildStatusBar();
    static void ShowStatus(QLabel* label, const QString& text);
    void ShowPointer(double latitude, double longitude);
    void ShowScale();
    void ShowSelection();
    void UseBackground(const QString& choice);
    void ChooseMbTiles();
    void ChooseTileAddress();
    void Remember() const;
    void Restore();
    void ExportWith(const QString& what, const QString& filter, QString (CMapWindow::*write)(const QString&));

    PlantingSession& session;
    CMapCanvas* canvas;
    AircraftReader* reader;
    std::unique_ptr<MapTiles> tiles;
    QString background = QStringLiteral("none");  // none, osm or mbtiles
    QString tileAddress;
    QString mbTilesFile;
    QLabel* pointerLabel;
    QLabel* scaleLabel;
    QLabel* selectionLabel;
    QAction* deleteAction = nullptr;
    bool placed = false;
    bool restoredView = false;
};
