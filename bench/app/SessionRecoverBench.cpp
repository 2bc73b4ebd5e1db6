// Recovery through the session of a journal of a million presses of one tree each: read, each record
// checked and done again through the session's own operations (the document, a million undo steps), and
// the ended journal taken over as this session's own. Its floor in the same run: adding the same objects
// to a planted list, which any recovery must do; beside it, the core's read and replay of the journal.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "app/PlantingSession.h"
#include "bench/journal/BenchFolder.h"
#include "bench/journal/MillionTrees.h"

namespace {

const std::string& JournalBytes() {
    static const std::string bytes = MillionTreesJournal(true);
    return bytes;
}

// An ended program's journal, written and synced outside the clock as its program left it (a recovery
// takes it over, so each run writes it anew).
std::filesystem::path EndedJournal() {
    const std::filesystem::path file = BenchFolder() / "ended.journal";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(JournalBytes().data(), 1, JournalBytes().size(), out);
    std::fflush(out);
    fdatasync(fileno(out));
    std::fclose(out);
    return file;
}

void BM_SessionRecoverMillionPresses(benchmark::State& state) {
    setenv("XDG_STATE_HOME", (BenchFolder() / "state").c_str(), 1);
    for (auto _ : state) {
        state.PauseTiming();
        const std::filesystem::path journal = EndedJournal();
        auto session = std::make_unique<PlantingSession>(std::string(), IpcLinkMaker());
        state.ResumeTiming();
        QString problem;
        std::size_t dropped = 0;
        if (!session->Recover(journal, problem, dropped) ||
            session->Document().PlantedCount() < millionTrees - millionTrees / 1000) {
            state.SkipWithError("objects lost");
        }
        state.PauseTiming();
        session.reset();  // it keeps its journal, which holds unsaved objects
        std::filesystem::remove_all(BenchFolder() / "state");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * millionTrees));
}

void BM_AddToListFloor(benchmark::State& state) {
    AddMillionTreesToList(state);
}

void BM_CoreReplay(benchmark::State& state) {
    ReplayJournalFile(state, EndedJournal());
}

}  // namespace

BENCHMARK(BM_SessionRecoverMillionPresses)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddToListFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CoreReplay)->Unit(benchmark::kMillisecond)->UseRealTime();
