// Saving a forest of a million objects end to end, as the document saves: write the XML file in the
// program's folder, run the stand-in compiler there as a process, move both files into the planting
// file's folder. Against it, in the same run, each step as the save does it and each step's floor: the
// bare write of the same bytes (one write, flushed to the device), a bare run of the compiler on the
// written file, and the bare renames. The folders sit beside the benchmark program, on the build's
// disk: a temporary folder in memory would flatter every flush.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "document/CompilePlantingFile.h"
#include "document/MovePlantingFiles.h"
#include "document/PlantingDocument.h"
#include "document/PlantingXmlWriter.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t objectCount = 1'000'000;
constexpr double targetSeconds = 2.5;
const std::string xmlName = "forest.xml";
const std::string bglName = "forest.bgl";
const std::string stamp = "Sat Dec 05 13:38:33 2026\n";

struct Folders {
    fs::path root;
    fs::path program;      // where the save writes and compiles; holds bglcomp.exe
    fs::path destination;  // the planting file's folder
};

const Folders& BenchFolders() {
    static const Folders folders = [] {
        Folders made;
        made.root =
            fs::read_symlink("/proc/self/exe").parent_path() / ("save-bench-" + std::to_string(getpid()));
        made.program = made.root / "program";
        made.destination = made.root / "forest";
        fs::create_directories(made.program);
        fs::create_directories(made.destination);
        fs::copy_file(BGLCOMP_PROGRAM, made.program / "bglcomp.exe");
        return made;
    }();
    return folders;
}

// A forest spread over a 5 x 10 degree region, of a few models, planted as one change.
PlantingDocument& Forest() {
    static PlantingDocument document = [] {
        PlantingDocument made(BenchFolders().program.string() + "/");
        made.NameNewFile(xmlName, BenchFolders().destination.string() + "/");
        std::mt19937_64 random(11);
        const auto unit = [&random] { return static_cast<double>(random() >> 11) * 0x1.0p-53; };
        const std::string guids[] = {"67707891DBC1CC0D5F111EE9C4CBF11A", "0B7E4F5A2C3D4E5F60718293A4B5C6D7",
                                     "F00DFACE12345678ABCDEF0123456789"};
        made.AddPlantedObjects(objectCount, [&](std::size_t i) {
            return PlantedObjectRef{45.0 + unit() * 5.0, 5.0 + unit() * 10.0, guids[i % 3]};
        });
        return made;
    }();
    return document;
}

void Fail(benchmark::State& state, const char* what) {
    state.SkipWithError(what);
}

void CountObjects(benchmark::State& state) {
    state.counters["objects"] = static_cast<double>(Forest().PlantedCount());
}

// The processor time of the compiler processes ended so far: on a machine shared with other work the
// wall-clock time also holds the waits for a processor, this does not.
double ChildSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the iterations, setting the compiler's processor time per iteration beside the others.
template <typename Iteration>
void WithCompilerTime(benchmark::State& state, Iteration iteration) {
    const double before = ChildSeconds();
    for (auto _ : state) {
        if (!iteration()) {
            break;
        }
    }
    CountObjects(state);
    if (state.iterations() > 0) {
        state.counters["compiler_cpu_ms"] =
            (ChildSeconds() - before) * 1000.0 / static_cast<double>(state.iterations());
    }
}

// The whole save, as the program does it (the document is kept open, so that every iteration saves
// the same forest). The slowest iteration is set beside the target.
void SaveOfAMillionObjects(benchmark::State& state) {
    double slowest = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const SaveOutcome outcome = Forest().SaveFiles(xmlName, Forest().Folder());
        slowest = std::max(slowest,
                           std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!outcome.Written() || outcome.compile.status != CompileStatus::Compiled ||
            outcome.xmlMove.status != MoveStatus::Moved || outcome.bglMove.status != MoveStatus::Moved) {
            Fail(state, "the save failed");
            break;
        }
    }
    CountObjects(state);
    state.counters["slowest_s"] = slowest;
    state.counters["target_s"] = targetSeconds;
}

void Step_Write(benchmark::State& state) {
    const fs::path file = BenchFolders().program / xmlName;
    for (auto _ : state) {
        if (PlantingXmlWriter::WriteFile(file, Forest().PlantedObjects(), stamp).status !=
            WriteStatus::Written) {
            Fail(state, "the write failed");
        }
    }
    CountObjects(state);
}

// The same bytes in one write, flushed to the device as the writer's are.
void Floor_Write(benchmark::State& state) {
    const std::string text = PlantingXmlWriter::Text(Forest().PlantedObjects(), stamp);
    const fs::path file = BenchFolders().program / xmlName;
    for (auto _ : state) {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 &&
                             write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                             fsync(fd) == 0;
        if (fd >= 0) {
            close(fd);
        }
        if (!written) {
            Fail(state, "the bare write failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    CountObjects(state);
}

void Step_Compile(benchmark::State& state) {
    WithCompilerTime(state, [&] {
        const bool compiled =
            CompilePlantingFile(BenchFolders().program, xmlName).status == CompileStatus::Compiled;
        if (!compiled) {
            Fail(state, "the compile failed");
        }
        return compiled;
    });
}

// The compiler process alone on the written file, its report thrown away.
void Floor_Compile(benchmark::State& state) {
    const fs::path compiler = BenchFolders().program / "bglcomp.exe";
    WithCompilerTime(state, [&] {
        const pid_t child = fork();
        if (child == 0) {
            if (std::freopen("/dev/null", "w", stdout) == nullptr ||
                chdir(BenchFolders().program.c_str()) != 0) {
                _exit(126);
            }
            execl(compiler.c_str(), "bglcomp.exe", xmlName.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        const bool compiled = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!compiled) {
            Fail(state, "bglcomp failed");
        }
        return compiled;
    });
}

// Moves both files there, and back untimed, so that every iteration moves the same files: the ones
// the save left in the planting file's folder, brought back to the program's folder first.
template <typename Move>
void TimeMoves(benchmark::State& state, Move move) {
    for (const std::string& name : {xmlName, bglName}) {
        std::error_code absent;
        fs::rename(BenchFolders().destination / name, BenchFolders().program / name, absent);
        if (!fs::exists(BenchFolders().program / name)) {
            Fail(state, "no saved files to move: run the save first");
            return;
        }
    }
    for (auto _ : state) {
        if (!move()) {
            Fail(state, "the move failed");
        }
        state.PauseTiming();
        for (const std::string& name : {xmlName, bglName}) {
            fs::rename(BenchFolders().destination / name, BenchFolders().program / name);
        }
        state.ResumeTiming();
    }
}

void Step_Move(benchmark::State& state) {
    TimeMoves(state, [] {
        const MoveOutcomes moves =
            MovePlantingFiles(BenchFolders().program, Forest().Folder(), xmlName, true, bglName, true);
        return moves.xml.status == MoveStatus::Moved && moves.bgl.status == MoveStatus::Moved;
    });
}

void Floor_Move(benchmark::State& state) {
    TimeMoves(state, [] {
        bool moved = true;
        for (const std::string& name : {xmlName, bglName}) {
            moved = moved && std::rename((BenchFolders().program / name).c_str(),
                                         (BenchFolders().destination / name).c_str()) == 0;
        }
        return moved;
    });
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Forest();
    const auto seconds = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
    };
    seconds(benchmark::RegisterBenchmark("SaveOfAMillionObjects", SaveOfAMillionObjects));
    seconds(benchmark::RegisterBenchmark("Step_Write", Step_Write));
    seconds(benchmark::RegisterBenchmark("Floor_Write", Floor_Write));
    seconds(benchmark::RegisterBenchmark("Step_Compile", Step_Compile));
    seconds(benchmark::RegisterBenchmark("Floor_Compile", Floor_Compile));
    benchmark::RegisterBenchmark("Step_Move", Step_Move)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->Iterations(20);
    benchmark::RegisterBenchmark("Floor_Move", Floor_Move)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->Iterations(20);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(BenchFolders().root, ignored);
    return 0;
}
