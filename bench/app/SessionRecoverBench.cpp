// Recovery through the session of a journal of a million presses of one tree each: read, each record
// checked and done again through the session's own operations (the document, a million undo steps), and
// the ended journal taken over as this session's own. Its floor in the same run: adding the same objects
// to a planted list, which any recovery must do; beside it, the core's read and replay of the journal.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <random>

#include "app/PlantingSession.h"
#include "bench/journal/BenchFolder.h"
#include "document/journal/JournalFormat.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"

namespace {

constexpr std::size_t objectCount = 1000000;

const JournalObjects& Trees() {
    static const JournalObjects trees = [] {
        JournalObjects objects;
        std::mt19937_64 random(11);
        std::uniform_real_distribution<double> latitude(46.0, 48.0), longitude(7.0, 9.0);
        for (std::size_t i = 0; i < objectCount; ++i) {
            objects.Add(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
        }
        return objects;
    }();
    return trees;
}

const std::string& JournalBytes() {
    static const std::string bytes = [] {
        JournalHeader header;
        header.formatVersion = JournalFormat::version;
        std::string journal = JournalFormat::EncodeHeader(header);
        JournalFormat::AppendRecord(journal, JournalRecord::NewFile("forest.xml", "/scenery/"));
        for (std::size_t i = 0; i < objectCount; ++i) {
            JournalObjects tree;
            tree.Add(Trees().LatitudeAt(i), Trees().LongitudeAt(i), Trees().GuidAt(i));
            JournalFormat::AppendRecord(journal,
                                        JournalRecord::TreePlant(static_cast<std::uint32_t>(i), tree));
        }
        return journal;
    }();
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
            session->Document().PlantedCount() < objectCount - objectCount / 1000) {
            state.SkipWithError("objects lost");
        }
        state.PauseTiming();
        session.reset();  // it keeps its journal, which holds unsaved objects
        std::filesystem::remove_all(BenchFolder() / "state");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_AddToListFloor(benchmark::State& state) {
    Trees();
    for (auto _ : state) {
        PlantingList list;
        list.Reserve(objectCount);
        for (std::size_t i = 0; i < objectCount; ++i) {
            list.Add(Trees().LatitudeAt(i), Trees().LongitudeAt(i), Trees().GuidAt(i));
        }
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objectCount));
}

void BM_CoreReplay(benchmark::State& state) {
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
BENCHMARK(BM_AddToListFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CoreReplay)->Unit(benchmark::kMillisecond)->UseRealTime();
