// Taking back an Append From of a million objects and doing it again, against the baseline of reading
// the file again (Content and AppendPlantingFile) in the same run. Each starts from the state the
// operation before it left, the nearness index included: Undo right after the Append, Redo right after
// the Undo. Redo leaves the index to the next plant, so that plant is measured with it as well.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <random>

#include "document/PlantingDocument.h"
#include "document/PlantingXmlWriter.h"

namespace {

constexpr std::size_t objectCount = 1000000;

// Written once per run by the writer itself, removed at exit.
const std::filesystem::path& ForestFile() {
    static const struct File {
        std::filesystem::path path;
        File()
            : path(std::filesystem::temp_directory_path() /
                   ("grovewright-undo-" + std::to_string(getpid()) + ".xml")) {
            PlantingList forest;
            std::mt19937_64 random(11);
            std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
            for (std::size_t i = 0; i < objectCount; ++i) {
                forest.AppendUnchecked(latitude(random), longitude(random),
                                       "67707891DBC1CC0D5F111EE9C4CBF11A");
            }
            PlantingXmlWriter::WriteFile(path, forest, "Sat Dec 05 13:38:33 2026\n");
        }
        ~File() { std::filesystem::remove(path); }
    } file;
    return file.path;
}

// A document with a file open and `planted` objects elsewhere, before the Append From.
PlantingDocument OpenDocument(std::size_t planted) {
    PlantingDocument document("/unused/");
    document.NameNewFile("trees.xml", "/unused/");
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> latitude(10.0, 12.0), longitude(20.0, 22.0);
    while (document.PlantedCount() < planted) {
        document.AddPlantedObject(latitude(random), longitude(random), "67677891DBC1CC0D5F111EE9C4CBF62F");
    }
    return document;
}

const PlantingFileContent& ForestContent() {
    static const PlantingFileContent content = PlantingDocument::Content(ForestFile());
    return content;
}

bool AppendedAll(const ReadOutcome& outcome) {
    // A few random pairs do fall within the threshold.
    return outcome.status == ReadStatus::Read && outcome.objectsAdded > objectCount - objectCount / 1000;
}

PlantOutcome SomewhereFree() {
    PlantOutcome position;
    position.status = PlantStatus::Planted;
    position.latitude = -30.0;
    position.longitude = 150.0;
    return position;
}

void BM_UndoAppendFrom(benchmark::State& state) {
    const auto plantedBefore = static_cast<std::size_t>(state.range(0));
    PlantingDocument document = OpenDocument(plantedBefore);
    for (auto _ : state) {
        state.PauseTiming();
        const ReadOutcome appended = document.AppendPlantingFile(ForestContent());
        state.ResumeTiming();
        document.Undo(appended.change);
        if (!AppendedAll(appended) || document.PlantedCount() != plantedBefore) {
            state.SkipWithError("not taken back");
        }
    }
}

void BM_RedoAppendFrom(benchmark::State& state) {
    const auto plantedBefore = static_cast<std::size_t>(state.range(0));
    PlantingDocument document = OpenDocument(plantedBefore);
    const ReadOutcome appended = document.AppendPlantingFile(ForestContent());
    for (auto _ : state) {
        state.PauseTiming();
        document.Undo(appended.change);
        state.ResumeTiming();
        document.Redo(appended.change);
        if (!AppendedAll(appended) || document.PlantedCount() != plantedBefore + appended.objectsAdded) {
            state.SkipWithError("not done again");
        }
    }
}

// Redo and the plant after it, which brings the nearness index up to the objects put back.
void BM_RedoAppendFromThenPlant(benchmark::State& state) {
    PlantingDocument document = OpenDocument(static_cast<std::size_t>(state.range(0)));
    const ReadOutcome appended = document.AppendPlantingFile(ForestContent());
    for (auto _ : state) {
        state.PauseTiming();
        document.Undo(appended.change);
        state.ResumeTiming();
        document.Redo(appended.change);
        const PlantOutcome planted = document.PlantTree(SomewhereFree(), "67707891DBC1CC0D5F111EE9C4CBF11A");
        state.PauseTiming();
        document.Undo(planted.change);
        state.ResumeTiming();
        if (planted.objectsAdded != 1) {
            state.SkipWithError("not planted");
        }
    }
}

// The baseline: the file read and appended again.
void BM_ReadAgainBaseline(benchmark::State& state) {
    PlantingDocument document = OpenDocument(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const ReadOutcome appended = document.AppendPlantingFile(PlantingDocument::Content(ForestFile()));
        state.PauseTiming();
        document.Undo(appended.change);
        state.ResumeTiming();
        if (!AppendedAll(appended)) {
            state.SkipWithError("objects lost");
        }
    }
}

}  // namespace

// The argument: objects the document holds before the Append From.
BENCHMARK(BM_UndoAppendFrom)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Arg(1000)
    ->Arg(1000000);
BENCHMARK(BM_RedoAppendFrom)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Arg(1000)
    ->Arg(1000000);
BENCHMARK(BM_RedoAppendFromThenPlant)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5)
    ->Arg(1000)
    ->Arg(1000000);
BENCHMARK(BM_ReadAgainBaseline)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Arg(1000)
    ->Arg(1000000);
BENCHMARK_MAIN();
