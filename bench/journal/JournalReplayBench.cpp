// Recovery of a journal of a million planted objects: read from the file, decoded and replayed into the
// planted list. Two shapes: a million presses of one tree each (a record per object, a million undo
// steps) and one Append From of a million objects. The floor in the same run: adding the same objects to a
// list, which any recovery must do.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/journal/BenchFolder.h"
#include "bench/journal/MillionTrees.h"

namespace {

// Written once per run, outside the clock.
std::filesystem::path JournalOf(const std::string& name, bool onePress) {
    const std::filesystem::path file = BenchFolder() / name;
    if (std::filesystem::exists(file)) {
        return file;
    }
    const std::string bytes = MillionTreesJournal(onePress);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return file;
}

void BM_ReplayMillionPresses(benchmark::State& state) {
    ReplayJournalFile(state, JournalOf("presses.journal", true));
}

void BM_ReplayOneRecordOfAMillion(benchmark::State& state) {
    ReplayJournalFile(state, JournalOf("append.journal", false));
}

void BM_AddToListFloor(benchmark::State& state) {
    AddMillionTreesToList(state);
}

}  // namespace

BENCHMARK(BM_ReplayMillionPresses)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayOneRecordOfAMillion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddToListFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
