// Loading a planting file of a million objects as Open does, through the document's read operation
// (read the file, scan its text, add every object to the list). The floors in the same run: reading
// the file alone, and reading plus scanning.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <random>

#include "document/ParsePlantingText.h"
#include "document/PlantingDocument.h"
#include "document/PlantingList.h"
#include "document/PlantingXmlWriter.h"
#include "document/ReadPlantingFile.h"

namespace {

constexpr std::size_t objectCount = 1000000;

// Written once per run by the writer itself, removed at exit.
const std::filesystem::path& ForestFile() {
    static const struct File {
        std::filesystem::path path;
        File() : path(std::filesystem::temp_directory_path() / ("grovewright-load-" + std::to_string(getpid()) + ".xml")) {
            PlantingList forest;
            std::mt19937_64 random(11);
            std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
            for (std::size_t i = 0; i < objectCount; ++i) {
                forest.AppendUnchecked(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
            }
            PlantingXmlWriter::WriteFile(path, forest, "Sat Dec 05 13:38:33 2026\n");
        }
        ~File() { std::filesystem::remove(path); }
    } file;
    return file.path;
}

void BM_AppendPlantingFile(benchmark::State& state) {
    ForestFile();  // written before the clock starts
    for (auto _ : state) {
        PlantingDocument document("/unused/");
        const ReadOutcome outcome = document.AppendPlantingFile(ForestFile());
        // A few random pairs do fall within the threshold.
        if (outcome.status != ReadStatus::Read || outcome.objectsAdded < objectCount - objectCount / 1000) {
            state.SkipWithError("objects lost");
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_ReadOnlyFloor(benchmark::State& state) {
    ForestFile();
    for (auto _ : state) {
        const PlantingFileText file = ReadPlantingFile(ForestFile());
        benchmark::DoNotOptimize(file.text.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_ReadAndParseFloor(benchmark::State& state) {
    ForestFile();
    for (auto _ : state) {
        const PlantingFileText file = ReadPlantingFile(ForestFile());
        const ParsedPlantingText parsed = ParsePlantingText(file.text);
        benchmark::DoNotOptimize(parsed.objects.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

}  // namespace

BENCHMARK(BM_AppendPlantingFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadOnlyFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndParseFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
