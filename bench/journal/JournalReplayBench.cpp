// Recovery of a journal of a million planted objects: read from the file, decoded and replayed into the
// planted list. Two shapes: a million presses of one tree each (a record per object, a million undo
// steps) and one Open of a million objects. The floor in the same run: adding the same objects to a
// list, which any recovery must do.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/journal/BenchFolder.h"
#include "document/journal/JournalFormat.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"

namespace {

constexpr std::size_t objectCount = 1000000;

const JournalObjects& Forest() {
    static const JournalObjects forest = [] {
        JournalObjects objects;
        std::mt19937_64 random(11);
        std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
        for (std::size_t i = 0; i < objectCount; ++i) {
            objects.Add(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
        }
        return objects;
    }();
    return forest;
}

// Written once per run, outside the clock.
std::filesystem::path JournalOf(const std::string& name, bool onePress) {
    const std::filesystem::path file = BenchFolder() / name;
    if (std::filesystem::exists(file)) {
        return file;
    }
    JournalHeader header;
    header.formatVersion = JournalFormat::version;
    std::string bytes = JournalFormat::EncodeHeader(header);
    JournalFormat::AppendRecord(bytes, JournalRecord::NewFile("forest.xml", "/scenery/"));
    if (onePress) {
        for (std::size_t i = 0; i < objectCount; ++i) {
            JournalObjects tree;
            tree.Add(Forest().LatitudeAt(i), Forest().LongitudeAt(i), Forest().GuidAt(i));
            JournalFormat::AppendRecord(bytes, JournalRecord::TreePlant(static_cast<std::uint32_t>(i), tree));
        }
    } else {
        JournalFormat::AppendRecord(bytes, JournalRecord::AppendFrom("forest.xml", Forest()));
    }
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return file;
}

void Replay(benchmark::State& state, const std::filesystem::path& journal) {
    for (auto _ : state) {
        JournalContents contents = JournalReader::ReadFile(journal);
        JournalReplay replay;
        replay.ApplyAll(std::move(contents.records));
        if (replay.UnsavedObjects() < objectCount - objectCount / 1000) {
            state.SkipWithError("objects lost");
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_ReplayMillionPresses(benchmark::State& state) {
    Replay(state, JournalOf("presses.journal", true));
}

void BM_ReplayOneRecordOfAMillion(benchmark::State& state) {
    Replay(state, JournalOf("append.journal", false));
}

void BM_AddToListFloor(benchmark::State& state) {
    Forest();
    for (auto _ : state) {
        PlantingList list;
        list.Reserve(objectCount);
        for (std::size_t i = 0; i < objectCount; ++i) {
            list.Add(Forest().LatitudeAt(i), Forest().LongitudeAt(i), Forest().GuidAt(i));
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

}  // namespace

BENCHMARK(BM_ReplayMillionPresses)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayOneRecordOfAMillion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddToListFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
