// The Map window with 100,000 planted objects at three zooms (the whole list, a stand, a few trees),
// part of them selected by a band: each frame shows both plain and selected objects, and the selection
// shows in the first frame after it changed. With GROVEWRIGHT_SCREENSHOTS set to a folder, the frames
// are saved there as PNG files for a reviewer to look at.
#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "app/PlantingSession.h"
#include "app/map/CMapCanvas.h"
#include "app/map/CMapWindow.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"
#include "trees/TreeCatalogue.h"

namespace {

constexpr double centreLatitude = 47.5;
constexpr double centreLongitude = 8.25;
constexpr std::size_t objectCount = 100000;

// 100,000 objects in 40 round stands over about 4 x 4 km, as a planting file.
void WriteForest(const std::filesystem::path& file, std::vector<QPointF>& stands) {
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> spread(-0.018, 0.018);
    std::normal_distribution<double> within(0.0, 0.0013);
    stands.resize(40);
    for (QPointF& stand : stands) {
        stand = QPointF(centreLongitude + spread(random) * 1.5, centreLatitude + spread(random));
    }
    const TreeCatalogue catalogue;
    std::ofstream out(file);
    out.precision(12);
    out << "<!-- Grovewright -->\n";
    for (std::size_t i = 0; i < objectCount; ++i) {
        const QPointF& stand = stands[i % stands.size()];
        out << "<SceneryObject lat=\"" << stand.y() + within(random) << "\" lon=\""
            << stand.x() + within(random) * 1.5 << "\"><LibraryObject name=\""
            << catalogue.GuidAt(static_cast<int>(i % TreeCatalogue::entryCount)) << "\"/></SceneryObject>\n";
    }
}

struct Colours {
    int selected = 0;  // the selection's pink: more blue than green
    int plain = 0;     // the families' greens, olive and orange: more green than blue
};

Colours CountColours(const QImage& image) {
    Colours found;
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            // The land colour, grey tiles and lines have blue and green about equal.
            found.selected += qBlue(line[x]) > qGreen(line[x]) + 40 ? 1 : 0;
            found.plain += qGreen(line[x]) > qBlue(line[x]) + 40 ? 1 : 0;
        }
    }
    return found;
}

}  // namespace

class MapScreenshotsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void ShowsPlainAndSelectedObjectsAtEveryZoom();

private:
    ScratchRuntimeFolder runtime;
    TemporaryFolder configFolder;
    TemporaryFolder workingFolder;
};

void MapScreenshotsTest::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configFolder.Path().string()));
}

void MapScreenshotsTest::ShowsPlainAndSelectedObjectsAtEveryZoom() {
    // The aircraft over the forest, so that the frames show it too.
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {"--headless"});
    QVERIFY(simulator.IsReady());
    QCOMPARE(
        simulator
            .Command("position " + std::to_string(centreLatitude) + " " + std::to_string(centreLongitude))
            .substr(0, 8),
        "position");
    QCOMPARE(simulator.Command("heading 40").substr(0, 7), "heading");

    std::vector<QPointF> stands;
    WriteForest(workingFolder.Path() / "forest.xml", stands);
    PlantingSession session(workingFolder.Path().string() + "/", PlatformIpcLinkMaker());
    session.AppendFrom(workingFolder.Path() / "forest.xml");
    // A few land too near another and are left out.
    QVERIFY(session.Document().PlantedCount() > objectCount * 99 / 100);

    CMapWindow map(session);
    map.resize(1000, 760);
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    CMapCanvas& canvas = map.Canvas();
    QTRY_VERIFY_WITH_TIMEOUT(canvas.Connected() && canvas.Aircraft().ok, 3000);
    canvas.FitAll();

    canvas.repaint();
    QCOMPARE(CountColours(canvas.grab().toImage()).selected, 0);
    // A band from the first stand's middle eastwards over a third of the forest, top to bottom.
    const QPointF standUnit = Mercator::FromDegrees(stands[0].y(), stands[0].x());
    const QRectF forest = canvas.Index().Bounds();
    canvas.SelectInside(QRectF(QPointF(standUnit.x(), forest.top()),
                               QPointF(standUnit.x() + forest.width() / 3, forest.bottom())),
                        false);
    QVERIFY(canvas.SelectedCount() > objectCount / 20);

    // The whole list, then the first stand at 2 m and at 10 cm a pixel, cut in two by the band.
    const struct {
        const char* file;
        double metresPerPixel;  // 0: the whole list
    } zooms[] = {{"map-whole-list.png", 0.0}, {"map-stand.png", 2.0}, {"map-close.png", 0.1}};
    const QString screenshots = qEnvironmentVariable("GROVEWRIGHT_SCREENSHOTS");
    for (const auto& zoom : zooms) {
        if (zoom.metresPerPixel > 0.0) {
            canvas.CentreOn(stands[0].y(), stands[0].x());
            canvas.ZoomBy(Mercator::ZoomForMetresPerPixel(stands[0].y(), zoom.metresPerPixel) -
                          canvas.View().zoom);
        }
        // The status bar laid out for its new texts.
        QCoreApplication::processEvents();
        canvas.repaint();
        const Colours found = CountColours(canvas.grab().toImage());
        QVERIFY2(found.selected > 100 && found.plain > 100, zoom.file);
        if (!screenshots.isEmpty()) {
            QVERIFY(map.grab().save(screenshots + "/" + zoom.file));
        }
    }
}

QTEST_MAIN(MapScreenshotsTest)
#include "MapScreenshotsTest.moc"
