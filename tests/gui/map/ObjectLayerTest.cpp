// The object layer's three ways of drawing (per-cell counts, per-object bins, dots) each show the
// selection, and a changed selection shows in the next frame.
#include <QImage>
#include <QTest>

#include "app/map/MapObjectIndex.h"
#include "app/map/MercatorView.h"
#include "app/map/ObjectLayer.h"
#include "trees/TreeCatalogue.h"

namespace {

constexpr double clumpLatitude = 47.5;
constexpr double clumpLongitude = 8.25;
constexpr int clumpColumns = 50;
constexpr int clumpRows = 60;
constexpr std::size_t clumpCount = clumpColumns * clumpRows;
constexpr double latitudeStep = 0.4 / 111200.0;  // 0.4 m
constexpr double longitudeStep = latitudeStep / 0.6755;

// A clump of 3,000 objects 0.4 m apart, then 2,000 along a line 10 km east, so that the grid is built
// and its cells are about 40 m wide.
MapObjectIndex ClumpAndLine() {
    const TreeCatalogue catalogue;
    PlantingList list;
    for (int row = 0; row < clumpRows; ++row) {
        for (int column = 0; column < clumpColumns; ++column) {
            list.AppendUnchecked(clumpLatitude + row * latitudeStep, clumpLongitude + column * longitudeStep,
                                 catalogue.GuidAt(0));
        }
    }
    for (int i = 0; i < 2000; ++i) {
        list.AppendUnchecked(clumpLatitude, clumpLongitude + 0.01 + i * 6.5e-5, catalogue.GuidAt(0));
    }
    MapObjectIndex index;
    index.Update(list);
    return index;
}

struct Colours {
    int selected = 0;  // pinkish: more blue than green
    int plain = 0;     // greenish: more green than blue
};

// The colours within `box` of the image.
Colours CountColours(const QImage& image, QRect box) {
    Colours found;
    box &= image.rect();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = box.left(); x <= box.right(); ++x) {
            found.selected += qBlue(line[x]) > qGreen(line[x]) ? 1 : 0;
            found.plain += qGreen(line[x]) > qBlue(line[x]) ? 1 : 0;
        }
    }
    return found;
}

}  // namespace

class ObjectLayerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ShowsTheSelectionAtEveryZoom_data();
    void ShowsTheSelectionAtEveryZoom();
};

void ObjectLayerTest::ShowsTheSelectionAtEveryZoom_data() {
    QTest::addColumn<double>("metresPerPixel");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<bool>("selectedShown");
    QTest::addColumn<bool>("plainShown");
    // 20 m a pixel: a cell within one bin, drawn by its counts; 1 m: a dense cell's objects counted
    // into bins; 0.05 m: a dot each.
    for (const double metres : {20.0, 1.0, 0.05}) {
        const QByteArray zoom = QByteArray::number(metres) + " m/pixel, ";
        QTest::newRow(zoom + "nothing selected") << metres << "none" << false << true;
        QTest::newRow(zoom + "all selected") << metres << "all" << true << false;
        QTest::newRow(zoom + "every other selected") << metres << "alternate" << true << (metres < 0.1);
        QTest::newRow(zoom + "all, then cleared") << metres << "cleared" << false << true;
        QTest::newRow(zoom + "none, then all") << metres << "added" << true << false;
    }
}

void ObjectLayerTest::ShowsTheSelectionAtEveryZoom() {
    QFETCH(double, metresPerPixel);
    QFETCH(QString, selection);
    QFETCH(bool, selectedShown);
    QFETCH(bool, plainShown);
    const MapObjectIndex index = ClumpAndLine();
    MercatorView view;
    view.size = QSize(600, 600);
    view.centre = Mercator::FromDegrees(clumpLatitude + clumpRows / 2 * latitudeStep,
                                        clumpLongitude + clumpColumns / 2 * longitudeStep);
    view.zoom = Mercator::ZoomForMetresPerPixel(clumpLatitude, metresPerPixel);
    // The clump's place on screen, with room for its bins and dots; the line starts well clear of it.
    const int room = ObjectLayer::binSize + ObjectLayer::dotRadius + 1;
    const QRect clump = QRectF(view.ToScreen(index.UnitAt(0)), view.ToScreen(index.UnitAt(clumpCount - 1)))
                            .normalized()
                            .toAlignedRect()
                            .adjusted(-room, -room, room, room);
    QVERIFY(view.ToScreen(index.UnitAt(clumpCount)).x() > clump.right() + room);

    std::vector<bool> selected(index.Count(), false);
    const auto select = [&](bool all) {
        for (std::size_t i = 0; i < clumpCount; ++i) {
            selected[i] = all || i % 2 == 0;
        }
    };
    ObjectLayer layer;
    QImage image(view.size, QImage::Format_ARGB32_Premultiplied);
    std::uint64_t version = 1;
    if (selection == "cleared" || selection == "added") {
        // A first frame with the other selection, kept by the layer.
        select(true);
        if (selection == "added") {
            std::fill(selected.begin(), selected.end(), false);
        }
        image.fill(Qt::transparent);
        layer.Draw(image, view, index, selected, version++);
        std::fill(selected.begin(), selected.end(), selection == "added");
    } else if (selection != "none") {
        select(selection == "all");
    }
    image.fill(Qt::transparent);
    layer.Draw(image, view, index, selected, version);
    const Colours found = CountColours(image, clump);
    QCOMPARE(found.selected > 0, selectedShown);
    QCOMPARE(found.plain > 0, plainShown);
}

QTEST_MAIN(ObjectLayerTest)
#include "ObjectLayerTest.moc"
