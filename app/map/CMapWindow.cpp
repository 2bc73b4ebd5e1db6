#include "app/map/CMapWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSizeGrip>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "app/PlantingSession.h"
#include "app/UserSettings.h"
#include "app/map/AircraftReader.h"
#include "app/map/CMapCanvas.h"
#include "app/map/MapTileSources.h"
#include "app/map/MapTiles.h"
#include "document/PlantedObjectsExport.h"

namespace {

QString Degrees(double value) {
    return QString::number(value, 'f', 7);
}

}  // namespace

CMapWindow::CMapWindow(PlantingSession& plantingSession, QWidget* parent)
    : QMainWindow(parent, Qt::Window),
      session(plantingSession),
      canvas(new CMapCanvas(plantingSession, this)),
      reader(new AircraftReader(plantingSession.LinkMaker(), this)),
      pointerLabel(new QLabel(this)),
      scaleLabel(new QLabel(this)),
      selectionLabel(new QLabel(this)) {
    setObjectName(QStringLiteral("mapWindow"));
    setWindowTitle(QStringLiteral("Map"));
    setAccessibleName(QStringLiteral("Map"));
    setCentralWidget(canvas);
    resize(640, 520);
    BuildMenu();
    BuildStatusBar();

    connect(&session, &PlantingSession::Changed, this, [this](PlantingSession::Changes what) {
        if (what & (PlantingSession::Change::PlantedObjects | PlantingSession::Change::Closed)) {
            canvas->ObjectsChanged();
        }
        canvas->update();
    });
    connect(&session, &PlantingSession::BusyChanged, this,
            [this](bool busy) { deleteAction->setEnabled(!busy); });
    connect(reader, &AircraftReader::Read, canvas, &CMapCanvas::ShowAircraft);
    connect(canvas, &CMapCanvas::PointerMoved, this, &CMapWindow::ShowPointer);
    connect(canvas, &CMapCanvas::ViewChanged, this, &CMapWindow::ShowScale);
    connect(canvas, &CMapCanvas::SelectionChanged, this, &CMapWindow::ShowSelection);
    connect(canvas, &CMapCanvas::DeleteRequested, this, &CMapWindow::DeleteSelection);
    connect(canvas, &CMapCanvas::Measured, this, [this](double metres, double bearing) {
        ShowMessage(QStringLiteral("Distance %1 m, bearing %2°")
                        .arg(QString::number(metres, 'f', 2), QString::number(bearing, 'f', 1)));
    });
    Restore();
    ShowSelection();
}

CMapWindow::~CMapWindow() {
    Remember();
}

void CMapWindow::BuildMenu() {
    menuBar()->setAccessibleName(QStringLiteral("Menu bar"));
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Map"));
    menu->setObjectName(QStringLiteral("mapMenu"));
    menu->setAccessibleName(QStringLiteral("Map"));
    const auto add = [&](const QString& text, const char* name, const QKeySequence& keys) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        QString plain = text;
        action->setStatusTip(plain.remove(QLatin1Char('&')).remove(QStringLiteral("...")));
        addAction(action);
        return action;
    };

    QMenu* backgroundMenu = menu->addMenu(QStringLiteral("&Background"));
    backgroundMenu->setObjectName(QStringLiteral("backgroundMenu"));
    backgroundMenu->setAccessibleName(QStringLiteral("Background"));
    auto* choices = new QActionGroup(this);
    const auto addChoice = [&](const QString& text, const char* name, const QString& choice, bool available) {
        QAction* action = backgroundMenu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(available);
        action->setCheckable(choice != QStringLiteral("address"));
        if (action->isCheckable()) {
            choices->addAction(action);
        }
        return action;
    };
    QAction* none = addChoice(QStringLiteral("&None"), "backgroundNoneAction", QStringLiteral("none"), true);
    QAction* osm =
        addChoice(QStringLiteral("&OpenStreetMap"), "backgroundOsmAction", QStringLiteral("osm"), true);
    QAction* mbtiles = addChoice(QStringLiteral("&MBTiles file..."), "backgroundMbTilesAction",
                                 QStringLiteral("mbtiles"), true);
    QAction* address = addChoice(QStringLiteral("&Tile address..."), "backgroundAddressAction",
                                 QStringLiteral("address"), true);
    none->setChecked(true);
    connect(none, &QAction::triggered, this, [this] { UseBackground(QStringLiteral("none")); });
    connect(osm, &QAction::triggered, this, [this] { UseBackground(QStringLiteral("osm")); });
    connect(mbtiles, &QAction::triggered, this, &CMapWindow::ChooseMbTiles);
    connect(address, &QAction::triggered, this, &CMapWindow::ChooseTileAddress);

    menu->addSeparator();
    QAction* kml = add(QStringLiteral("Export &KML..."), "exportKmlAction", QKeySequence());
    QAction* csv = add(QStringLiteral("Export &CSV..."), "exportCsvAction", QKeySequence());
    connect(kml, &QAction::triggered, this, [this] {
        ExportWith(QStringLiteral("Export KML"), QStringLiteral("KML files (*.kml)"), &CMapWindow::ExportKml);
    });
    connect(csv, &QAction::triggered, this, [this] {
        ExportWith(QStringLiteral("Export CSV"), QStringLiteral("CSV files (*.csv)"), &CMapWindow::ExportCsv);
    });

    menu->addSeparator();
    QAction* follow = add(QStringLiteral("&Follow aircraft"), "followAction", QKeySequence(Qt::Key_F));
    follow->setCheckable(true);
    connect(follow, &QAction::toggled, canvas, &CMapCanvas::SetFollow);
    QAction* measure = add(QStringLiteral("&Measure"), "measureAction", QKeySequence(Qt::Key_M));
    measure->setCheckable(true);
    connect(measure, &QAction::toggled, canvas, &CMapCanvas::SetMeasuring);
    connect(measure, &QAction::toggled, this,
            [this](bool on) { ShowMessage(on ? QStringLiteral("Measure: click two points") : QString()); });
    QAction* corners =
        add(QStringLiteral("Forest co&rners by click"), "forestCornersAction", QKeySequence(Qt::Key_R));
    corners->setCheckable(true);
    connect(corners, &QAction::toggled, canvas, &CMapCanvas::SetPickingCorners);
    connect(corners, &QAction::toggled, this, [this](bool on) {
        ShowMessage(on ? QStringLiteral("Forest corners: click each corner in turn") : QString());
    });
    QAction* zoomIn = add(QStringLiteral("Zoom &in"), "zoomInAction", QKeySequence(Qt::Key_Plus));
    QAction* zoomOut = add(QStringLiteral("Zoom &out"), "zoomOutAction", QKeySequence(Qt::Key_Minus));
    QAction* fit = add(QStringLiteral("&Show all objects"), "fitAction", QKeySequence(Qt::Key_Home));
    connect(zoomIn, &QAction::triggered, canvas, [this] { canvas->ZoomBy(0.5); });
    connect(zoomOut, &QAction::triggered, canvas, [this] { canvas->ZoomBy(-0.5); });
    connect(fit, &QAction::triggered, canvas, &CMapCanvas::FitAll);

    menu->addSeparator();
    deleteAction = add(QStringLiteral("&Delete selected objects"), "mapDeleteAction", QKeySequence::Delete);
    deleteAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteAction, &QAction::triggered, this, &CMapWindow::DeleteSelection);
    QAction* close = add(QStringLiteral("&Close"), "mapCloseAction", QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
    for (QAction* action : menu->actions()) {
        action->setToolTip(action->statusTip());
    }
    BuildToolBar({follow, measure, zoomIn, zoomOut, fit});
}

void CMapWindow::BuildToolBar(const QList<QAction*>& actions) {
    QToolBar* tools = addToolBar(QStringLiteral("Map tools"));
    tools->setObjectName(QStringLiteral("mapToolBar"));
    tools->setAccessibleName(QStringLiteral("Map tools"));
    tools->setMovable(false);
    for (QAction* action : actions) {
        tools->addAction(action);
        // Menu items are named by their text already; a tool button gets the same name said out.
        if (auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(action))) {
            button->setAccessibleName(QString(action->text()).remove(QLatin1Char('&')));
        }
    }
}

void CMapWindow::BuildStatusBar() {
    statusBar()->setObjectName(QStringLiteral("mapStatusBar"));
    statusBar()->setAccessibleName(QStringLiteral("Map status"));
    pointerLabel->setObjectName(QStringLiteral("pointerLabel"));
    pointerLabel->setAccessibleName(QStringLiteral("Pointer position"));
    scaleLabel->setObjectName(QStringLiteral("scaleLabel"));
    scaleLabel->setAccessibleName(QStringLiteral("Scale"));
    selectionLabel->setObjectName(QStringLiteral("selectionLabel"));
    selectionLabel->setAccessibleName(QStringLiteral("Selection"));
    statusBar()->addPermanentWidget(pointerLabel);
    statusBar()->addPermanentWidget(scaleLabel);
    statusBar()->addPermanentWidget(selectionLabel);
    if (auto* grip = statusBar()->findChild<QSizeGrip*>()) {
        grip->setAccessibleName(QStringLiteral("Resize the window"));
    }
    // Each label is named for what it shows and described by its text (see ShowStatus); the bar's
    // passing messages are its description.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(), &QWidget::setAccessibleDescription);
}

void CMapWindow::ShowStatus(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleDescription(text);
}

void CMapWindow::ShowPointer(double latitude, double longitude) {
    ShowStatus(pointerLabel, Degrees(latitude) + QStringLiteral(", ") + Degrees(longitude));
}

void CMapWindow::ShowScale() {
    const MercatorView& view = canvas->View();
    const double metres = Mercator::MetresPerPixel(Mercator::LatitudeOf(view.centre.y()), view.zoom);
    ShowStatus(scaleLabel, QStringLiteral("%1 m/pixel")
                               .arg(QString::number(metres, metres < 10 ? 'f' : 'g', metres < 10 ? 2 : 4)));
}

void CMapWindow::ShowSelection() {
    ShowStatus(selectionLabel, QStringLiteral("%1 selected").arg(canvas->SelectedCount()));
}

void CMapWindow::ShowMessage(const QString& text) {
    statusBar()->showMessage(text, text.isEmpty() ? 0 : 10000);
}

void CMapWindow::DeleteSelection() {
    if (session.IsBusy()) {
        ShowMessage(QStringLiteral("Busy: nothing deleted"));
        return;
    }
    const std::size_t count = session.Document().PlantedCount();
    const std::vector<std::size_t> chosen = canvas->SelectedIndices();
    if (chosen.empty()) {
        return;
    }
    std::vector<std::size_t> kept;
    kept.reserve(count - std::min(count, chosen.size()));
    std::size_t next = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (next < chosen.size() && chosen[next] == i) {
            ++next;
        } else {
            kept.push_back(i);
        }
    }
    canvas->ClearSelection();
    session.KeepRows(kept);
    ShowMessage(QStringLiteral("Deleted %1 objects").arg(chosen.size()));
}

QString CMapWindow::ExportKml(const QString& file) {
    const std::error_code failure =
        WriteExportFile(file.toStdString(), PlantedObjectsKml(session.Document().PlantedObjects()));
    return failure
               ? QStringLiteral("Could not write %1: %2").arg(file, QString::fromStdString(failure.message()))
               : QStringLiteral("Exported %1 objects to %2").arg(session.Document().PlantedCount()).arg(file);
}

QString CMapWindow::ExportCsv(const QString& file) {
    const std::error_code failure =
        WriteExportFile(file.toStdString(), PlantedObjectsCsv(session.Document().PlantedObjects()));
    return failure
               ? QStringLiteral("Could not write %1: %2").arg(file, QString::fromStdString(failure.message()))
               : QStringLiteral("Exported %1 objects to %2").arg(session.Document().PlantedCount()).arg(file);
}

void CMapWindow::ExportWith(const QString& what, const QString& filter,
                            QString (CMapWindow::*write)(const QString&)) {
    const QString file = QFileDialog::getSaveFileName(this, what, QString(), filter);
    if (!file.isEmpty()) {
        ShowMessage((this->*write)(file));
    }
}

void CMapWindow::UseBackground(const QString& choice) {
    tiles.reset();
    background = QStringLiteral("none");
    if (choice == QStringLiteral("osm")) {
        tiles = MakeOpenStreetMapTiles(tileAddress.isEmpty() ? defaultTileAddress : tileAddress, this);
    } else if (choice == QStringLiteral("mbtiles") && !mbTilesFile.isEmpty()) {
        QString problem;
        tiles = OpenMbTiles(mbTilesFile, problem);
        if (!problem.isEmpty()) {
            ShowMessage(problem);
        }
    }
    if (tiles != nullptr) {
        background = choice;
        connect(tiles.get(), &MapTiles::Problem, this, &CMapWindow::ShowMessage);
    }
    canvas->SetTiles(tiles.get());
    const char* names[] = {"backgroundNoneAction", "backgroundOsmAction", "backgroundMbTilesAction"};
    const QString choices[] = {QStringLiteral("none"), QStringLiteral("osm"), QStringLiteral("mbtiles")};
    for (int i = 0; i < 3; ++i) {
        if (auto* action = findChild<QAction*>(QLatin1String(names[i]))) {
            action->setChecked(background == choices[i]);
        }
    }
}

void CMapWindow::ChooseMbTiles() {
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("MBTiles file"), QString(),
                                     QStringLiteral("MBTiles files (*.mbtiles);;All files (*)"));
    if (!file.isEmpty()) {
        mbTilesFile = file;
    }
    UseBackground(mbTilesFile.isEmpty() ? background : QStringLiteral("mbtiles"));
}

void CMapWindow::ChooseTileAddress() {
    bool ok = false;
    const QString address = QInputDialog::getText(
        this, QStringLiteral("Tile address"),
        QStringLiteral("Tile address ({z}, {x} and {y} stand for the tile):"), QLineEdit::Normal,
        tileAddress.isEmpty() ? defaultTileAddress : tileAddress, &ok);
    if (ok) {
        tileAddress = address.trimmed() == defaultTileAddress ? QString() : address.trimmed();
        UseBackground(QStringLiteral("osm"));
    }
}

void CMapWindow::Remember() const {
    const auto settings = UserSettings();
    settings->beginGroup(QStringLiteral("map"));
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->setValue(QStringLiteral("zoom"), canvas->View().zoom);
    settings->setValue(QStringLiteral("centreX"), canvas->View().centre.x());
    settings->setValue(QStringLiteral("centreY"), canvas->View().centre.y());
    settings->setValue(QStringLiteral("background"), background);
    settings->setValue(QStringLiteral("tileAddress"), tileAddress);
    settings->setValue(QStringLiteral("mbtilesFile"), mbTilesFile);
    settings->endGroup();
}

void CMapWindow::Restore() {
    const auto settings = UserSettings();
    settings->beginGroup(QStringLiteral("map"));
    placed = restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
    if (settings->contains(QStringLiteral("zoom"))) {
        MercatorView& view = canvas->View();
        view.zoom = settings->value(QStringLiteral("zoom")).toDouble();
        view.centre = QPointF(settings->value(QStringLiteral("centreX")).toDouble(),
                              settings->value(QStringLiteral("centreY")).toDouble());
        restoredView = true;
    }
    tileAddress = settings->value(QStringLiteral("tileAddress")).toString();
    mbTilesFile = settings->value(QStringLiteral("mbtilesFile")).toString();
    const QString chosen = settings->value(QStringLiteral("background"), QStringLiteral("none")).toString();
    settings->endGroup();
    if (chosen != QStringLiteral("none")) {
        UseBackground(chosen);
    }
}

void CMapWindow::ShowBeside(QWidget* beside) {
    if (!placed && beside != nullptr) {
        // Beside the main window, on the side the screen has room for.
        const QRect main = beside->frameGeometry();
        const QRect screen = beside->screen() != nullptr ? beside->screen()->availableGeometry() : QRect();
        int x = main.right() + 8;
        if (screen.isValid() && x + width() > screen.right() && main.left() - width() - 8 >= screen.left()) {
            x = main.left() - width() - 8;
        }
        move(x, main.top());
        placed = true;
    }
    show();
    raise();
    activateWindow();
}

void CMapWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!restoredView) {
        canvas->View().size = canvas->size();
        canvas->FitAll();
        restoredView = true;
    }
    ShowScale();
    reader->Start();
}

void CMapWindow::hideEvent(QHideEvent* event) {
    reader->Stop();
    Remember();
    QMainWindow::hideEvent(event);
}

void CMapWindow::closeEvent(QCloseEvent* event) {
    Remember();
    QMainWindow::closeEvent(event);
}
