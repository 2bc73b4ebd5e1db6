// Filling an area with trees and adding them to a planting list: the Poisson-disk fill against dart
// throwing (random points, each tested against every tree kept so far) over the same area and count.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "document/PlantingList.h"
#include "forest/AddTreePoints.h"
#include "forest/FillForestArea.h"
#include "forest/ForestRandom.h"
#include "forest/LocalPlane.h"

namespace {

constexpr GeoPosition centre{47.5, 8.25};
constexpr double spacing = 3.0;

ForestAreaShape Square(double side) {
    const LocalPlane plane(centre);
    const double h = side / 2.0;
    ForestAreaShape shape;
    shape.Build(
        {plane.Reverse({-h, -h}), plane.Reverse({h, -h}), plane.Reverse({h, h}), plane.Reverse({-h, h})}, {});
    return shape;
}

TreeMix Mix() {
    TreeMix mix;
    mix.Build({{0, {0, 1, 2}, {}, 2.0}, {98, {0, 1}, {}, 1.0}, {112, {2}, {}, 1.0}});
    return mix;
}

// side: metres; density: trees per hectare.
void BM_FillAndAdd(benchmark::State& state, double side, double density) {
    const ForestAreaShape shape = Square(side);
    const TreeMix mix = Mix();
    std::size_t planted = 0;
    for (auto _ : state) {
        const ForestFill fill = ForestFilling::Fill(shape, {spacing, density, 7}, mix);
        PlantingList list;
        AddTreePoints(list, fill.trees);
        planted = list.Count();
        benchmark::DoNotOptimize(planted);
    }
    state.counters["trees"] = static_cast<double>(planted);
}

// The same count of trees by dart throwing, no two closer than the spacing, then added the same way.
void BM_DartThrowingAndAdd(benchmark::State& state, double side, double density) {
    const ForestAreaShape shape = Square(side);
    const TreeMix mix = Mix();
    const auto wanted = static_cast<std::size_t>(density * side * side / 1e4);
    std::size_t planted = 0;
    for (auto _ : state) {
        ForestRandom random(7);
        std::vector<PlanePoint> kept;
        for (std::size_t dart = 0; kept.size() < wanted && dart < 20 * wanted; ++dart) {
            const PlanePoint p{(random.NextUnit() - 0.5) * side, (random.NextUnit() - 0.5) * side};
            bool clear = true;
            for (const PlanePoint& q : kept) {
                if ((q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y) < spacing * spacing) {
                    clear = false;
                    break;
                }
            }
            if (clear) {
                kept.push_back(p);
            }
        }
        TreePoints trees;
        trees.guids = mix.Guids();
        for (const PlanePoint& p : kept) {
            const GeoPosition g = shape.Plane().Reverse(p);
            trees.points.push_back({g.latitude, g.longitude, mix.Pick(random.NextUnit())});
        }
        PlantingList list;
        AddTreePoints(list, trees);
        planted = list.Count();
        benchmark::DoNotOptimize(planted);
    }
    state.counters["trees"] = static_cast<double>(planted);
}

}  // namespace

// 100 ha at 400 trees per hectare: about 40,000 trees.
BENCHMARK_CAPTURE(BM_FillAndAdd, 100ha_400perha, 1000.0, 400.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DartThrowingAndAdd, 100ha_400perha, 1000.0, 400.0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
// 100 ha at the most trees a 3 m spacing allows (774 per hectare), the sampler's dense effort.
BENCHMARK_CAPTURE(BM_FillAndAdd, 100ha_limit, 1000.0, ForestFilling::MaxTreesPerHectare(spacing))
    ->Unit(benchmark::kMillisecond);
// 2,500 ha at 399 trees per hectare: about 1,000,000 trees (dart throwing would take hours: a tenth
// of the count shows its quadratic growth).
BENCHMARK_CAPTURE(BM_FillAndAdd, 2500ha_1M, 5000.0, 399.0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_DartThrowingAndAdd, 25ha_10k, 500.0, 400.0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
