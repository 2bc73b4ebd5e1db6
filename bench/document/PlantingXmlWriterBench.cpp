// Writing a planting file: the writer against printf-style formatting of the same lines, and against
// merely writing bytes already formatted (the floor), all to a file in /tmp.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "document/PlantingXmlWriter.h"

namespace {

const std::string stamp = "Sat Dec 05 13:38:33 2026\n";
constexpr std::size_t objectCount = 200000;

const PlantingList& Forest() {
    static const PlantingList list = [] {
        PlantingList forest;
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> latitude(-60.0, 60.0), longitude(-180.0, 180.0);
        for (std::size_t i = 0; i < objectCount; ++i) {
            forest.AppendUnchecked(latitude(random), longitude(random), "67707891DBC1CC0D5F111EE9C4CBF11A");
        }
        return forest;
    }();
    return list;
}

std::filesystem::path OutputFile() {
    return std::filesystem::temp_directory_path() /
           ("grovewright-bench-" + std::to_string(getpid()) + ".xml");
}

void BM_WriterToFile(benchmark::State& state) {
    const auto file = OutputFile();
    const std::size_t bytes = PlantingXmlWriter::Text(Forest(), stamp).size();
    for (auto _ : state) {
        const auto result = PlantingXmlWriter::WriteFile(file, Forest(), stamp);
        if (result.status != WriteStatus::Written) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    std::filesystem::remove(file);
}

// The same lines through fprintf with a text stream, the straightforward way.
void BM_FprintfBaseline(benchmark::State& state) {
    const auto file = OutputFile();
    std::size_t bytes = 0;
    for (auto _ : state) {
        FILE* out = std::fopen(file.c_str(), "wb");
        long written =
            std::fprintf(out,
                         "<!--\r\n  Created by Grovewright %s-->\r\n<FSData\r\n\tversion=\"9.0\"\r\n"
                         "\txmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'\r\n"
                         "\txsi:noNamespaceSchemaLocation=\"bglcomp.xsd\">\r\n",
                         "Sat Dec 05 13:38:33 2026\r\n");
        const PlantingList& list = Forest();
        for (std::size_t i = 0; i < list.Count(); ++i) {
            written += std::fprintf(
                out,
                "<SceneryObject\r\n        lat=\"%18.14f\" lon=\"%18.14f\"\r\n"
                "        alt=\"0\" altitudeIsAgl=\"TRUE\"\r\n"
                "        pitch=\"0\" bank=\"0\" heading=\"%11.7f\"\r\n"
                "        imageComplexity=\"NORMAL\">\r\n        <LibraryObject\r\n"
                "            name=\"%s\"\r\n            scale=\"1.0\" />\r\n </SceneryObject>\r\n",
                list.LatitudeAt(i), list.LongitudeAt(i), 45.0, list.GuidAt(i).c_str());
        }
        written += std::fprintf(out, "</FSData>\r\n");
        std::fclose(out);
        bytes = static_cast<std::size_t>(written);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    std::filesystem::remove(file);
}

// Writing bytes that are already formatted: what the device and the system calls cost.
void BM_RawWriteFloor(benchmark::State& state) {
    const auto file = OutputFile();
    const std::string text = PlantingXmlWriter::Text(Forest(), stamp);
    for (auto _ : state) {
        FILE* out = std::fopen(file.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), out);
        fflush(out);
        fsync(fileno(out));
        std::fclose(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    std::filesystem::remove(file);
}

void BM_WriterInMemory(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = PlantingXmlWriter::Text(Forest(), stamp);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_WriterToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriterInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FprintfBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
