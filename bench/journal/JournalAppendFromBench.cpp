// Append From of a planting file of a million objects, with its journal record (the file's objects
// encoded, written and synced as one record) against the same work without the journal in the same
// run: reading the file, scanning its text and adding every object to the list.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <random>

#include "bench/journal/BenchFolder.h"
#include "document/AddPlantingObjects.h"
#include "document/ParsePlantingText.h"
#include "document/PlantingXmlWriter.h"
#include "document/ReadPlantingFile.h"
#include "document/journal/JournalWriter.h"

namespace {

constexpr std::size_t objectCount = 1000000;

const std::filesystem::path& ForestFile() {
    static const std::filesystem::path file = [] {
        const std::filesystem::path path = BenchFolder() / "forest.xml";
        PlantingList forest;
        std::mt19937_64 random(11);
        std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
        for (std::size_t i = 0; i < objectCount; ++i) {
            forest.AppendUnchecked(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
        }
        PlantingXmlWriter::WriteFile(path, forest, "Sat Dec 05 13:38:33 2026\n");
        return path;
    }();
    return file;
}

// The Append From itself; the journal's part where one is given.
void AppendFrom(benchmark::State& state, JournalWriter* journal) {
    const PlantingFileText file = ReadPlantingFile(ForestFile());
    const ParsedPlantingText parsed = ParsePlantingText(file.text);
    PlantingList list;
    AddPlantingObjects(list, parsed.objects);
    if (journal != nullptr && journal->Append(JournalRecord::AppendFrom(
                                  "forest.xml", JournalObjects::FromParsed(parsed.objects)))) {
        state.SkipWithError("journal failed");
    }
    if (list.Count() < objectCount - objectCount / 1000) {
        state.SkipWithError("objects lost");
    }
}

void BM_AppendFromWithJournal(benchmark::State& state) {
    ForestFile();
    JournalWriter journal(BenchFolder() / "append");
    for (auto _ : state) {
        AppendFrom(state, &journal);
        state.PauseTiming();
        journal.Retire();  // the next iteration's journal starts as short
        state.ResumeTiming();
    }
    journal.Remove();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_AppendFromWithoutJournalFloor(benchmark::State& state) {
    ForestFile();
    for (auto _ : state) {
        AppendFrom(state, nullptr);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

}  // namespace

BENCHMARK(BM_AppendFromWithJournal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AppendFromWithoutJournalFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
