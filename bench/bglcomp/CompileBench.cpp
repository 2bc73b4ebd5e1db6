#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include "tests/unit/bglcomp/PlantingXmlText.h"

// Compiling a region's planting file of a million objects, against the floor of merely parsing the
// same file with libxml2. The compile runs as its own process, as Grovewright
// runs it, so its peak memory is the child's maximum resident set.
namespace {

constexpr int objectCount = 1'000'000;

std::filesystem::path benchFolder;
std::filesystem::path plantingFile;

// Writes the planting file as Grovewright's writer would: a forest spread over a 5 x 10 degree region.
void GeneratePlantingFile() {
    std::FILE* out = std::fopen(plantingFile.c_str(), "wb");
    if (out == nullptr) {
        std::perror("bench_bglcomp: cannot create the planting file");
        std::exit(1);
    }
    std::mt19937 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string text = PlantingXmlText::Head();
    for (int i = 0; i < objectCount; ++i) {
        char guid[33];
        std::snprintf(guid, sizeof guid, "%08X%08X%08X%08X", static_cast<unsigned>(random()),
                      static_cast<unsigned>(random()), static_cast<unsigned>(random()), static_cast<unsigned>(i));
        PlantingXmlText::AppendBlock(text, {45.0 + unit(random) * 5.0, 5.0 + unit(random) * 10.0,
                                            25.0 + unit(random) * 40.0, guid});
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    text += PlantingXmlText::Tail();
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

// The floor: libxml2's SAX2 push parser over the file, callbacks that do nothing.
void ParseOnlySax(benchmark::State& state) {
    std::vector<char> chunk(1 << 16);
    for (auto _ : state) {
        xmlSAXHandler handler{};
        handler.initialized = XML_SAX2_MAGIC;
        handler.startElementNs = [](void*, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
                                    int, const xmlChar**) {};
        xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&handler, nullptr, nullptr, 0, nullptr);
        xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_BIG_LINES);
        std::FILE* in = std::fopen(plantingFile.c_str(), "rb");
        std::size_t got = 0;
        while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
            xmlParseChunk(context, chunk.data(), static_cast<int>(got), 0);
        }
        xmlParseChunk(context, nullptr, 0, 1);
        benchmark::DoNotOptimize(context->wellFormed);
        std::fclose(in);
        xmlFreeParserCtxt(context);
    }
    state.counters["objects"] = objectCount;
}

// For comparison: libxml2's streaming reader, every node and attribute value read.
void ParseOnlyReader(benchmark::State& state) {
    for (auto _ : state) {
        xmlTextReaderPtr reader = xmlReaderForFile(plantingFile.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_BIG_LINES);
        std::size_t seen = 0;
        while (xmlTextReaderRead(reader) == 1) {
            while (xmlTextReaderMoveToNextAttribute(reader) == 1) {
                seen += xmlStrlen(xmlTextReaderConstValue(reader));
            }
        }
        xmlFreeTextReader(reader);
        benchmark::DoNotOptimize(seen);
    }
    state.counters["objects"] = objectCount;
}

// The real program, started like Grovewright starts it; peak memory from the child's rusage.
void CompileProgram(benchmark::State& state) {
    long peakKiB = 0;
    for (auto _ : state) {
        const pid_t child = fork();
        if (child == 0) {
            if (std::freopen("/dev/null", "w", stdout) == nullptr || chdir(benchFolder.c_str()) != 0) {
                _exit(126);
            }
            execl(BGLCOMP_PROGRAM, "bglcomp.exe", "plant1m.xml", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("bglcomp failed");
            break;
        }
        peakKiB = std::max(peakKiB, usage.ru_maxrss);
    }
    state.counters["objects"] = objectCount;
    state.counters["peak_rss_MB"] = static_cast<double>(peakKiB) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    char pattern[] = "/tmp/bglcomp-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("bench_bglcomp: cannot create a folder in /tmp");
        return 1;
    }
    benchFolder = pattern;
    plantingFile = benchFolder / "plant1m.xml";
    GeneratePlantingFile();
    benchmark::RegisterBenchmark("ParseOnly_libxml2_sax_1M", ParseOnlySax)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark("ParseOnly_libxml2_reader_1M", ParseOnlyReader)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("Compile_bglcomp_1M", CompileProgram)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(benchFolder);
    return 0;
}
