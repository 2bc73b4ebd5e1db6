// Recovery through the session of a journal of a million presses of one tree each: read, checked by the
// core's replay, then done again through the session's own operations (the document, a million undo
// steps, and this session's journal written with one sync). Its floor in the same run: the core's read
// and replay of the same journal alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "app/PlantingSession.h"
#include "bench/journal/BenchFolder.h"
#include "document/journal/JournalFormat.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"

namespace {

constexpr std::size_t objectCount = 1000000;

const std::string& JournalBytes() {
    static const std::string bytes = [] {
        JournalHeader header;
        header.formatVersion = JournalFormat::version;
        std::string journal = JournalFormat::EncodeHeader(header);
        JournalFormat::AppendRecord(journal, JournalRecord::NewFile("forest.xml", "/scenery/"));
        std::mt19937_64 random(11);
        std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
        for (std::size_t i = 0; i < objectCount; ++i) {
            JournalObjects tree;
            tree.Add(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
            JournalFormat::AppendRecord(journal,
                                        JournalRecord::TreePlant(static_cast<std::uint32_t>(i), tree));
        }
        return journal;
    }();
    return bytes;
}

// An ended program's journal, written outside the clock (a recovery removes it).
std::filesystem::path EndedJournal() {
    const std::filesystem::path file = BenchFolder() / "ended.journal";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(JournalBytes().data(), 1, JournalBytes().size(), out);
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
            session->Document().PlantedCount() < objectCount - objectCount / 1000) {
            state.SkipWithError("objects lost");
        }
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_CoreReplayFloor(benchmark::State& state) {
    const std::filesystem::path journal = EndedJournal();
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

}  // namespace

BENCHMARK(BM_SessionRecoverMillionPresses)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CoreReplayFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
