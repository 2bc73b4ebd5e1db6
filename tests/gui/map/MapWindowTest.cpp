// The Map window through its real widgets: selecting by click, Ctrl+click and rubber band against the
// list, Delete as one undo step, the live aircraft following the stand-in simulator, forest corners
// taken by click, exports, the names accessibility tools read.
#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <memory>
#include <set>

#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "app/UserSettings.h"
#include "app/forest/CForestPanel.h"
#include "app/map/CMapCanvas.h"
#include "app/map/CMapWindow.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"
#include "trees/TreeCatalogue.h"

namespace {

// Five objects planted on a row 20 m apart (about 1.8e-4 degrees of longitude at 47.5 degrees north).
constexpr double rowLatitude = 47.5;
constexpr double firstLongitude = 8.25;
constexpr double spacing = 2.65e-4;
constexpr int objectCount = 5;

// What an accessibility tool finds in the window: each visible element's role, name and description,
// and the text it shows (an action's or button's text, a label's).
struct Found {
    QAccessible::Role role;
    QString name;
    QString description;
    QString shown;
};

void Walk(QAccessibleInterface* element, int depth, std::vector<Found>& found) {
    if (element == nullptr || depth > 8 || element->role() == QAccessible::Separator) {
        return;
    }
    // Menus count while closed; a widget hidden (the tool bar's overflow button) does not.
    const bool inMenu = element->role() == QAccessible::MenuItem || element->role() == QAccessible::PopupMenu;
    if (element->state().invisible && !inMenu) {
        return;
    }
    QString shown;
    if (auto* action = qobject_cast<QAction*>(element->object())) {
        shown = action->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(element->object())) {
        shown = button->text();
    } else if (auto* label = qobject_cast<QLabel*>(element->object())) {
        shown = label->text();
    }
    found.push_back(
        {element->role(), element->text(QAccessible::Name), element->text(QAccessible::Description), shown});
    for (int i = 0; i < element->childCount(); ++i) {
        Walk(element->child(i), depth + 1, found);
    }
}

}  // namespace

class MapWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void SelectsAndDeletesAsOneUndoStep_data();
    void SelectsAndDeletesAsOneUndoStep();
    void AircraftFollowsTheSimulatorAndSaysWhenItIsGone();
    void ViewMenuOpensOneMapBesideTheWindowThatTakesForestCorners();
    void ExportsAndRefusesAFolderItCannotWrite();
    void EveryActionAndControlIsNamed();

private:
    QPointF ScreenOf(std::size_t object) const;

    ScratchRuntimeFolder runtime;
    TemporaryFolder configFolder;
    TemporaryFolder workingFolder;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<PlantingSession> session;
    std::unique_ptr<CMapWindow> map;
};

void MapWindowTest::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configFolder.Path().string()));
    workingFolder.Write("bglcomp.exe", "stand-in");
    std::filesystem::current_path(workingFolder.Path());
}

void MapWindowTest::init() {
    simulator =
        std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, std::vector<std::string>{"--headless"});
    QVERIFY(simulator->IsReady());
    session = std::make_unique<PlantingSession>(workingFolder.Path().string() + "/", PlatformIpcLinkMaker());
    session->NameNewFile("trees.xml", workingFolder.Path().string() + "/");
    const TreeCatalogue catalogue;
    for (int i = 0; i < objectCount; ++i) {
        const std::string line =
            "position " + std::to_string(rowLatitude) + " " + std::to_string(firstLongitude + i * spacing);
        QCOMPARE(simulator->Command(line).substr(0, 8), "position");
        QVERIFY(session->PlantTree(catalogue.GuidAt(i * 30), QStringLiteral("tree")).status ==
                PlantStatus::Planted);
    }
    QCOMPARE(session->Document().PlantedCount(), std::size_t{objectCount});
    map = std::make_unique<CMapWindow>(*session);
    map->resize(640, 480);
    map->show();
    QVERIFY(QTest::qWaitForWindowExposed(map.get()));
    map->Canvas().FitAll();
}

void MapWindowTest::cleanup() {
    map.reset();
    session.reset();
    simulator.reset();
}

QPointF MapWindowTest::ScreenOf(std::size_t object) const {
    return map->Canvas().View().ToScreen(map->Canvas().Index().UnitAt(object));
}

void MapWindowTest::SelectsAndDeletesAsOneUndoStep_data() {
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QList<int>>("selected");
    QTest::newRow("click, then another") << "click 1;click 3" << QList<int>{3};
    QTest::newRow("ctrl+click adds and takes away") << "click 0;ctrl 2;ctrl 4;ctrl 2" << QList<int>{0, 4};
    QTest::newRow("band") << "band 1 3" << QList<int>{1, 2, 3};
    QTest::newRow("band then ctrl band adds") << "band 0 1;ctrlband 3 4" << QList<int>{0, 1, 3, 4};
    QTest::newRow("click on nothing clears") << "band 0 4;empty" << QList<int>{};
}

void MapWindowTest::SelectsAndDeletesAsOneUndoStep() {
    QFETCH(QString, gesture);
    QFETCH(QList<int>, selected);
    CMapCanvas& canvas = map->Canvas();
    for (const QString& step : gesture.split(';')) {
        const QStringList words = step.split(' ');
        const QPoint at = words[0] == "empty" ? QPoint(5, 5) : ScreenOf(words[1].toULongLong()).toPoint();
        if (words[0] == "click" || words[0] == "empty") {
            QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, at);
        } else if (words[0] == "ctrl") {
            QTest::mouseClick(&canvas, Qt::LeftButton, Qt::ControlModifier, at);
        } else {
            // A band from just before the first object to just after the last, a little above and below.
            const QPoint last = ScreenOf(words[2].toULongLong()).toPoint();
            const Qt::KeyboardModifiers keys = words[0] == "ctrlband"
                                                   ? Qt::ShiftModifier | Qt::ControlModifier
                                                   : Qt::KeyboardModifiers(Qt::ShiftModifier);
            QTest::mousePress(&canvas, Qt::LeftButton, keys, at + QPoint(-3, -6));
            QTest::mouseMove(&canvas, (at + last) / 2);
            QTest::mouseMove(&canvas, last + QPoint(3, 6));
            QTest::mouseRelease(&canvas, Qt::LeftButton, keys, last + QPoint(3, 6));
        }
    }
    std::vector<std::size_t> expected(selected.begin(), selected.end());
    QCOMPARE(canvas.SelectedIndices(), expected);
    QCOMPARE(map->findChild<QLabel*>("selectionLabel")->text(), QString("%1 selected").arg(selected.size()));

    const PlantingList before = session->Document().PlantedObjects().Tail(0);
    canvas.setFocus();
    QTest::keyClick(map.get(), Qt::Key_Delete);
    QCOMPARE(session->Document().PlantedCount(), std::size_t(objectCount - selected.size()));
    if (!selected.isEmpty()) {
        const QString step = selected.size() == 1 ? QString("Delete 1 object")
                                                  : QString("Delete %1 objects").arg(selected.size());
        QCOMPARE(session->UndoStack().undoText(), step);
        // The survivors keep their order and places.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < before.Count(); ++i) {
            if (!selected.contains(static_cast<int>(i))) {
                QCOMPARE(session->Document().PlantedObjects().LongitudeAt(kept++), before.LongitudeAt(i));
            }
        }
        QCOMPARE(canvas.Index().Count(), session->Document().PlantedCount());
        QCOMPARE(canvas.SelectedCount(), std::size_t{0});
        session->Undo();
    }
    QCOMPARE(session->Document().PlantedCount(), std::size_t{objectCount});
    QCOMPARE(canvas.Index().Count(), std::size_t{objectCount});
    for (std::size_t i = 0; i < before.Count(); ++i) {
        QCOMPARE(session->Document().PlantedObjects().GuidAt(i), before.GuidAt(i));
    }
}

void MapWindowTest::AircraftFollowsTheSimulatorAndSaysWhenItIsGone() {
    CMapCanvas& canvas = map->Canvas();
    QTRY_VERIFY_WITH_TIMEOUT(canvas.Connected() && canvas.Aircraft().ok, 2000);
    QCOMPARE(simulator->Command("heading 123.5"), "heading 123.500000");
    QCOMPARE(simulator->Command("position -33.5 151.25").substr(0, 8), "position");
    // Five reads a second: the marker is there within half a second.
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(canvas.Aircraft().latitude + 33.5) < 1e-7 &&
                                 std::abs(canvas.Aircraft().longitude - 151.25) < 1e-7,
                             500);
    QVERIFY(std::abs(canvas.Aircraft().heading - 123.5) < 1e-6);

    map->findChild<QAction*>("followAction")->trigger();
    QCOMPARE(simulator->Command("slew 500 0").substr(0, 8), "position");
    QTRY_VERIFY_WITH_TIMEOUT(canvas.Aircraft().latitude > -33.5 + 1e-3, 500);
    const QPointF marker = canvas.View().ToScreen(
        Mercator::FromDegrees(canvas.Aircraft().latitude, canvas.Aircraft().longitude));
    QVERIFY(QLineF(marker, QPointF(canvas.width() / 2.0, canvas.height() / 2.0)).length() < 1.0);

    simulator.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!canvas.Connected(), 2000);
    simulator =
        std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, std::vector<std::string>{"--headless"});
    QVERIFY(simulator->IsReady());
    // A new link every 2 s.
    QTRY_VERIFY_WITH_TIMEOUT(canvas.Connected(), 3000);
}

void MapWindowTest::ViewMenuOpensOneMapBesideTheWindowThatTakesForestCorners() {
    // The first opening, with no place remembered.
    map.reset();
    UserSettings()->clear();
    CTopDialog window(PlatformIpcLinkMaker());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* mapAction = window.findChild<QAction*>("mapAction");
    QVERIFY(mapAction != nullptr);
    mapAction->trigger();
    CMapWindow* opened = window.MapWindow();
    QVERIFY(opened != nullptr);
    QVERIFY(opened->isVisible() && !opened->isModal());
    QCOMPARE(opened->windowTitle(), QString("Map"));
    QVERIFY(!opened->frameGeometry().intersects(window.frameGeometry()));
    mapAction->trigger();
    QCOMPARE(window.findChildren<CMapWindow*>().size(), 1);

    // Without the map's corner mode a click selects; with it each click is the Forest window's next corner.
    window.findChild<QAction*>("forestAction")->trigger();
    CForestPanel* forest = window.ForestPanel();
    QVERIFY(forest != nullptr);
    CMapCanvas& canvas = opened->Canvas();
    QVERIFY(QTest::qWaitForWindowExposed(opened));
    canvas.CentreOn(47.5, 8.25);
    const QList<QPoint> clicks{{100, 100}, {200, 100}, {150, 180}};
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, clicks[0]);
    QCOMPARE(forest->Corners().size(), std::size_t{0});
    opened->findChild<QAction*>("forestCornersAction")->setChecked(true);
    for (const QPoint& click : clicks) {
        QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, click);
    }
    QCOMPARE(forest->Corners().size(), std::size_t{3});
    for (int i = 0; i < 3; ++i) {
        const QPointF expected = canvas.DegreesAt(clicks[i]);
        QCOMPARE(forest->Corners()[static_cast<std::size_t>(i)].latitude, expected.y());
        QCOMPARE(forest->Corners()[static_cast<std::size_t>(i)].longitude, expected.x());
    }
    window.Session().DiscardUnsaved();
}

void MapWindowTest::ExportsAndRefusesAFolderItCannotWrite() {
    TemporaryFolder out;
    const QString file = QString::fromStdString((out.Path() / "trees.csv").string());
    QVERIFY(map->ExportCsv(file).startsWith("Exported 5 objects"));
    QVERIFY(map->ExportKml(file + ".kml").startsWith("Exported 5 objects"));
    const QString nowhere = QString::fromStdString((out.Path() / "missing" / "trees.csv").string());
    QVERIFY(map->ExportCsv(nowhere).startsWith("Could not write"));
}

void MapWindowTest::EveryActionAndControlIsNamed() {
    using R = QAccessible::Role;
    // Every status text shown, a message among them.
    QTest::mouseMove(&map->Canvas(), ScreenOf(2).toPoint());
    map->ShowMessage("Exported 5 objects");

    std::vector<Found> found;
    Walk(QAccessible::queryAccessibleInterface(map.get()), 0, found);
    std::set<R> roles;
    for (const Found& element : found) {
        roles.insert(element.role);
        QVERIFY2(!element.name.isEmpty(), qPrintable(QString::number(element.role)));
        if (element.role == R::StaticText) {
            // A status label says what it shows by its description.
            QVERIFY(!element.shown.isEmpty());
            QCOMPARE(element.description, element.shown);
        } else if (!element.shown.isEmpty()) {
            QCOMPARE(element.name, QString(element.shown).remove('&'));
        }
        if (element.role == R::StatusBar) {
            QCOMPARE(element.description, QString("Exported 5 objects"));
        }
    }
    // The walk reached the menus, the tool bar's buttons and the status bar's labels.
    for (const R role :
         {R::MenuItem, R::PopupMenu, R::ToolBar, R::CheckBox, R::Button, R::StatusBar, R::StaticText}) {
        QVERIFY2(roles.contains(role), qPrintable(QString::number(role)));
    }
}

QTEST_MAIN(MapWindowTest)
#include "MapWindowTest.moc"
