// One frame of the map's objects (a million of them, in stands like a forest's) at several zooms, and a
// rubber band over 100,000 of them; the baselines draw every object as its own dot with QPainter and
// test every object against the band, in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/PlantingSession.h"
#include "app/map/AircraftReader.h"
#include "app/map/CMapCanvas.h"
#include "app/map/MapObjectIndex.h"
#include "app/map/MercatorView.h"
#include "app/map/ObjectLayer.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"
#include "trees/TreeCatalogue.h"

namespace {

constexpr double centreLatitude = 47.5;
constexpr double centreLongitude = 8.25;

// `count` objects in 200 round stands scattered over about 20 x 20 km.
PlantingList Forest(std::size_t count) {
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> spread(-0.1, 0.1);
    std::normal_distribution<double> within(0.0, 0.004);
    std::vector<std::pair<double, double>> stands(200);
    for (auto& stand : stands) {
        stand = {centreLatitude + spread(random), centreLongitude + spread(random) * 1.5};
    }
    const TreeCatalogue catalogue;
    PlantingList list;
    list.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& stand = stands[i % stands.size()];
        list.AppendUnchecked(stand.first + within(random), stand.second + within(random) * 1.5,
                             catalogue.GuidAt(static_cast<int>(i % TreeCatalogue::entryCount)));
    }
    return list;
}

const MapObjectIndex& MillionIndex() {
    static const MapObjectIndex index = [] {
        MapObjectIndex built;
        built.Update(Forest(1000000));
        return built;
    }();
    return index;
}

// The fitted view of the whole forest, then closer in: 0 is the whole list, 6 about 1.5 m a pixel.
MercatorView ViewAt(int closer) {
    MercatorView view;
    view.size = QSize(1280, 800);
    view.centre = Mercator::FromDegrees(centreLatitude, centreLongitude);
    view.zoom = 12.0 + closer;
    return view;
}

void BM_MapFrameMillionObjects(benchmark::State& state) {
    const MapObjectIndex& index = MillionIndex();
    const MercatorView view = ViewAt(static_cast<int>(state.range(0)));
    QImage image(view.size, QImage::Format_ARGB32_Premultiplied);
    ObjectLayer layer;
    // A tenth of the objects selected, as after a rubber band.
    std::vector<bool> selected(index.Count(), false);
    for (std::size_t i = 0; i < selected.size(); i += 10) {
        selected[i] = true;
    }
    if (state.range(1) == 0) {
        selected.clear();
    }
    for (auto _ : state) {
        image.fill(Qt::transparent);
        layer.Draw(image, view, index, selected, 1);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["metres_per_pixel"] = Mercator::MetresPerPixel(centreLatitude, view.zoom);
}
// Second argument: 1 where a tenth of the objects is selected.
BENCHMARK(BM_MapFrameMillionObjects)->ArgsProduct({{0, 2, 4, 6, 10}, {0, 1}})->Unit(benchmark::kMillisecond);

// The first frame after the selection changed, which counts the selected objects of every cell again.
void BM_MapFrameAfterSelectionChange(benchmark::State& state) {
    const MapObjectIndex& index = MillionIndex();
    const MercatorView view = ViewAt(static_cast<int>(state.range(0)));
    QImage image(view.size, QImage::Format_ARGB32_Premultiplied);
    ObjectLayer layer;
    std::vector<bool> selected(index.Count(), false);
    for (std::size_t i = 0; i < selected.size(); i += 10) {
        selected[i] = true;
    }
    std::uint64_t version = 0;
    for (auto _ : state) {
        image.fill(Qt::transparent);
        layer.Draw(image, view, index, selected, ++version);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_MapFrameAfterSelectionChange)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);

// Baseline: every object drawn as its own dot through QPainter, whether on screen or not.
void BM_MapFrameEveryObjectBaseline(benchmark::State& state) {
    const MapObjectIndex& index = MillionIndex();
    const MercatorView view = ViewAt(static_cast<int>(state.range(0)));
    QImage image(view.size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        for (std::size_t i = 0; i < index.Count(); ++i) {
            painter.setBrush(QColor(ObjectLayer::FamilyColour(index.KindAt(i) / 2)));
            painter.drawEllipse(view.ToScreen(index.UnitAt(i)), 3.0, 3.0);
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_MapFrameEveryObjectBaseline)->Arg(0)->Arg(6)->Unit(benchmark::kMillisecond)->Iterations(3);

// A session holding 100,000 objects read from a planting file, for the canvas's own rubber band.
PlantingSession& SessionWith100k() {
    static PlantingSession* session = [] {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("grovewright-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        const PlantingList forest = Forest(100000);
        {
            std::ofstream file(folder / "forest.xml");
            file.precision(12);
            file << "<!-- Grovewright -->\n";
            for (std::size_t i = 0; i < forest.Count(); ++i) {
                file << "<SceneryObject lat=\"" << forest.LatitudeAt(i) << "\" lon=\""
                     << forest.LongitudeAt(i) << "\"><LibraryObject name=\"" << forest.GuidViewAt(i)
                     << "\"/></SceneryObject>\n";
            }
        }
        auto* made = new PlantingSession(folder.string() + "/", IpcLinkMaker());
        made->AppendFrom(folder / "forest.xml");
        std::filesystem::remove_all(folder);
        return made;
    }();
    return *session;
}

void BM_RubberBand100kObjects(benchmark::State& state) {
    PlantingSession& session = SessionWith100k();
    CMapCanvas canvas(session);
    canvas.resize(1280, 800);
    const QRectF everything = canvas.Index().Bounds().adjusted(-1e-6, -1e-6, 1e-6, 1e-6);
    for (auto _ : state) {
        canvas.SelectInside(everything, false);
        benchmark::DoNotOptimize(canvas.SelectedCount());
    }
    state.counters["selected"] = static_cast<double>(canvas.SelectedCount());
    state.counters["objects"] = static_cast<double>(canvas.Index().Count());
}
BENCHMARK(BM_RubberBand100kObjects)->Unit(benchmark::kMillisecond);

// Baseline: every object's position tested against the band, straight from the list.
void BM_RubberBandEveryObjectBaseline(benchmark::State& state) {
    const PlantingList& list = SessionWith100k().Document().PlantedObjects();
    MapObjectIndex index;
    index.Update(list);
    const QRectF everything = index.Bounds().adjusted(-1e-6, -1e-6, 1e-6, 1e-6);
    std::vector<std::uint8_t> selected(list.Count());
    for (auto _ : state) {
        std::size_t count = 0;
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const QPointF unit = Mercator::FromDegrees(list.LatitudeAt(i), list.LongitudeAt(i));
            selected[i] = everything.contains(unit) ? 1 : 0;
            count += selected[i];
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_RubberBandEveryObjectBaseline)->Unit(benchmark::kMillisecond);

// The live reads' cost: the whole process's CPU time (reading thread and the signals it sends) over
// 3 s of reads five times a second, as a share of one core.
void BM_LiveAircraftReadsCpuShare(benchmark::State& state) {
    ScratchRuntimeFolder runtime;
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {"--headless"});
    if (!simulator.IsReady()) {
        state.SkipWithError("the stand-in simulator did not start");
        return;
    }
    for (auto _ : state) {
        AircraftReader reader(PlatformIpcLinkMaker());
        int reads = 0;
        QObject::connect(&reader, &AircraftReader::Read,
                         [&](const AircraftFix& fix) { reads += fix.ok ? 1 : 0; });
        timespec cpuStart{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
        reader.Start();
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        reader.Stop();
        timespec cpuEnd{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
        const double cpuSeconds = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) +
                                  static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e9;
        state.counters["cpu_percent_of_a_core"] = cpuSeconds / 3.0 * 100.0;
        state.counters["reads"] = reads;
    }
}
BENCHMARK(BM_LiveAircraftReadsCpuShare)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
