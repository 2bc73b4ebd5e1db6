// A Plant press's record: encoded, written and synced before the press is acknowledged. Its floor in
// the same run: a bare write and fdatasync of the same bytes at the end of a file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include "bench/journal/BenchFolder.h"
#include "document/journal/JournalFormat.h"
#include "document/journal/JournalWriter.h"

namespace {

JournalRecord PlantRecord(std::uint32_t seed) {
    JournalObjects tree;
    tree.Add(47.5123456, 8.2554321, "67707891DBC1CC0D5F111EE9C4CBF11A");
    return JournalRecord::TreePlant(seed, tree);
}

void BM_PlantRecord(benchmark::State& state) {
    JournalWriter writer(BenchFolder() / "plant");
    if (writer.Open()) {
        state.SkipWithError("no journal");
    }
    std::uint32_t seed = 1765120000;
    for (auto _ : state) {
        if (writer.Append(PlantRecord(seed++))) {
            state.SkipWithError("append failed");
            break;
        }
    }
    writer.Remove();
}

void BM_BareWriteAndSyncFloor(benchmark::State& state) {
    std::string bytes;
    JournalFormat::AppendRecord(bytes, PlantRecord(1765120000));
    const std::filesystem::path file = BenchFolder() / "bare";
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    off_t end = 0;
    for (auto _ : state) {
        if (::pwrite(descriptor, bytes.data(), bytes.size(), end) != static_cast<ssize_t>(bytes.size()) ||
            ::fdatasync(descriptor) != 0) {
            state.SkipWithError("write failed");
            break;
        }
        end += static_cast<off_t>(bytes.size());
    }
    ::close(descriptor);
    std::filesystem::remove(file);
}

}  // namespace

// Alternated, so that a disk that slows down during the run weighs on both alike.
BENCHMARK(BM_PlantRecord)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_BareWriteAndSyncFloor)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_PlantRecord)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_BareWriteAndSyncFloor)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);
BENCHMARK_MAIN();
