#include "document/ParsePlantingText.h"
#include "document/PlantingXmlWriter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t targetBytes = 100u * 1024 * 1024;

// About 100 MB of planting file in the writer's layout, CR LF line ends, random positions and
// catalogue GUIDs: some 300 000 objects.
const std::string& PlantingFileText() {
    static const std::string text = [] {
        std::string out;
        out.reserve(targetBytes + 1024);
        PlantingXmlWriter::AppendHead(out, "Sat Dec 05 13:38:33 2026\n");
        std::mt19937_64 random(2026);
        std::uniform_real_distribution<double> latitude(-90.0, 90.0);
        std::uniform_real_distribution<double> longitude(-180.0, 180.0);
        std::uniform_real_distribution<double> heading(25.0, 65.0);
        std::uniform_int_distribution<int> tail(0, 0xFFFF);
        char guid[40];
        while (out.size() < targetBytes) {
            std::snprintf(guid, sizeof guid, "67707891DBC1CC0D5F111EE9C4CB%04X", static_cast<unsigned>(tail(random)));
            PlantingXmlWriter::AppendObject(out, latitude(random), longitude(random), heading(random), guid);
        }
        PlantingXmlWriter::AppendTail(out);
        return out;
    }();
    return text;
}

void SetThroughput(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void BM_ParsePlantingText(benchmark::State& state) {
    const std::string& text = PlantingFileText();
    std::size_t objects = 0;
    for (auto _ : state) {
        const ParsedPlantingText parsed = ParsePlantingText(text);
        objects = parsed.objects.size();
        benchmark::DoNotOptimize(parsed.objects.data());
    }
    state.counters["objects"] = static_cast<double>(objects);
    SetThroughput(state, text.size());
}

// The floor: one memchr pass that visits every '=' of the text, the least any keyword scan does.
void BM_Floor_MemchrOverEqualsSigns(benchmark::State& state) {
    const std::string& text = PlantingFileText();
    for (auto _ : state) {
        std::size_t count = 0;
        const char* p = text.data();
        const char* const end = p + text.size();
        while (const void* hit = std::memchr(p, '=', static_cast<std::size_t>(end - p))) {
            ++count;
            p = static_cast<const char*>(hit) + 1;
        }
        benchmark::DoNotOptimize(count);
    }
    SetThroughput(state, text.size());
}

// The straightforward version: std::string::find for each key, strtod for the numbers, a fresh
// string per name, no reservation.
void BM_Baseline_FindAndStrtod(benchmark::State& state) {
    const std::string& text = PlantingFileText();
    for (auto _ : state) {
        std::vector<ParsedPlantingObject> objects;
        std::size_t position = text.find("Grovewright");
        while (position != std::string::npos) {
            const std::size_t lat = text.find("lat=\"", position);
            if (lat == std::string::npos) {
                break;
            }
            const double latitude = std::strtod(text.c_str() + lat + 5, nullptr);
            const std::size_t lon = text.find("lon=\"", lat + 5);
            if (lon == std::string::npos) {
                break;
            }
            const double longitude = std::strtod(text.c_str() + lon + 5, nullptr);
            const std::size_t name = text.find("name=\"", lon + 5);
            if (name == std::string::npos) {
                break;
            }
            objects.push_back({latitude, longitude, text.substr(name + 6, 32)});
            position = name + 6 + 32;
        }
        benchmark::DoNotOptimize(objects.data());
    }
    SetThroughput(state, text.size());
}

}  // namespace

BENCHMARK(BM_Floor_MemchrOverEqualsSigns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_FindAndStrtod)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePlantingText)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
