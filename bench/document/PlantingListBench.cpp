// Adding objects to a planting list: the indexed Add against the plain linear scan it must agree with,
// both building a list from nothing and adding to a list that already holds its objects.
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

// The cost of one Add on a list that already holds state.range(0) objects: a batch of new objects is
// added to a copy of the full list, with room made beforehand (neither is timed).
constexpr std::size_t batch = 1000;

void BM_AddToFullListIndexed(benchmark::State& state) {
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const auto positions = Forest(count + batch);
    PlantingList full;
    for (std::size_t i = 0; i < count; ++i) {
        full.Add(positions[i].latitude, positions[i].longitude, guid);
    }
    PlantingList list;
    for (auto _ : state) {
        state.PauseTiming();
        list = full;
        list.Reserve(count + batch);  // no reallocation inside the timed batch
        state.ResumeTiming();
        for (std::size_t i = count; i < count + batch; ++i) {
            list.Add(positions[i].latitude, positions[i].longitude, guid);
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * batch));
}

void BM_AddToFullListLinearScanBaseline(benchmark::State& state) {
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    const auto positions = Forest(count + batch);
    std::vector<double> fullLatitudes, fullLongitudes;
    std::vector<std::string> fullGuids;
    for (std::size_t i = 0; i < count; ++i) {
        LinearScanAdd(fullLatitudes, fullLongitudes, fullGuids, positions[i]);
    }
    std::vector<double> latitudes, longitudes;
    std::vector<std::string> guids;
    for (auto _ : state) {
        state.PauseTiming();
        latitudes = fullLatitudes;
        longitudes = fullLongitudes;
        guids = fullGuids;
        latitudes.reserve(count + batch);
        longitudes.reserve(count + batch);
        guids.reserve(count + batch);
        state.ResumeTiming();
        for (std::size_t i = count; i < count + batch; ++i) {
            LinearScanAdd(latitudes, longitudes, guids, positions[i]);
        }
        benchmark::DoNotOptimize(latitudes.size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * batch));
}

}  // namespace

BENCHMARK(BM_AddToFullListIndexed)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddToFullListLinearScanBaseline)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddIndexed)->Arg(50000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddIndexedDenseCopse)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddLinearScanBaseline)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_MAIN();
