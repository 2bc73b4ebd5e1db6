// Adding objects to a planting list: the indexed Add against the plain linear scan it must agree with.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "document/PlantingList.h"

namespace {

struct Position {
    double latitude, longitude;
};

// A forest: objects a few metres apart over a region, in random order, with some repeats.
std::vector<Position> Forest(std::size_t count) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> latitude(47.0, 47.5);
    std::uniform_real_distribution<double> longitude(8.0, 8.5);
    std::vector<Position> positions(count);
    for (auto& p : positions) {
        p = {latitude(random), longitude(random)};
    }
    for (std::size_t i = 10; i < count; i += 10) {
        positions[i] = positions[i - 7];  // planted twice
    }
    return positions;
}

// A dense copse: objects 0.5 to 3 m apart in a few hundred metres, many within the threshold.
std::vector<Position> DenseCopse(std::size_t count) {
    std::mt19937_64 random(43);
    std::uniform_real_distribution<double> step(-2.5e-05, 2.5e-05);
    std::vector<Position> positions(count);
    Position p{47.25, 8.25};
    for (auto& q : positions) {
        p = {p.latitude + step(random), p.longitude + step(random)};
        if (std::fabs(p.latitude - 47.25) > 0.003 || std::fabs(p.longitude - 8.25) > 0.003) {
            p = {47.25, 8.25};
        }
        q = p;
    }
    return positions;
}

const std::string guid = "67707891DBC1CC0D5F111EE9C4CBF11A";

void LinearScanAdd(std::vector<double>& latitudes, std::vector<double>& longitudes,
                   std::vector<std::string>& guids, const Position& p) {
    for (std::size_t i = 0; i < latitudes.size(); ++i) {
        if (std::fabs(latitudes[i] - p.latitude) < 5e-06 && std::fabs(longitudes[i] - p.longitude) < 5e-06) {
            return;
        }
    }
    latitudes.push_back(p.latitude);
    longitudes.push_back(p.longitude);
    guids.push_back(guid);
}

void BM_AddIndexed(benchmark::State& state) {
    const auto positions = Forest(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        PlantingList list;
        for (const Position& p : positions) {
            list.Add(p.latitude, p.longitude, guid);
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AddIndexedDenseCopse(benchmark::State& state) {
    const auto positions = DenseCopse(static_cast<std::size_t>(state.range(0)));
    std::size_t kept = 0;
    for (auto _ : state) {
        PlantingList list;
        for (const Position& p : positions) {
            list.Add(p.latitude, p.longitude, guid);
        }
        kept = list.Count();
    }
    state.counters["kept"] = static_cast<double>(kept);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AddLinearScanBaseline(benchmark::State& state) {
    const auto positions = Forest(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<double> latitudes, longitudes;
        std::vector<std::string> guids;
        for (const Position& p : positions) {
            LinearScanAdd(latitudes, longitudes, guids, p);
        }
        benchmark::DoNotOptimize(latitudes.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_AddIndexed)->Arg(50000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddIndexedDenseCopse)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddLinearScanBaseline)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
