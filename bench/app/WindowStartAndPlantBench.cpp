// Start-up to the window shown, and one Plant press (a link opened with its handshake, the position
// exchange, the add), both against the stand-in simulator; beside them the bare handshake, an IpcLink
// opened and closed, which is the floor each of them stands on.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <filesystem>

#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "app/palette/CPictureButton.h"
#include "app/palette/CPlaceTreesDlg.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

// A working folder with the compiler's file, and the stand-in simulator in a private runtime folder.
struct StandInWorld {
    ScratchRuntimeFolder runtime;
    TemporaryFolder workingFolder;
    SimulatorProcess simulator{GROVEWRIGHT_SIMULATOR, {}};

    StandInWorld() {
        workingFolder.Write("bglcomp.exe", "stand-in");
        std::filesystem::current_path(workingFolder.Path());
    }
};

void BareHandshake(benchmark::State& state) {
    const StandInWorld world;
    for (auto _ : state) {
        IpcLink link(0);
        if (link.GetResult() != IpcResult::Okay) {
            state.SkipWithError(link.GetResultText());
            break;
        }
    }
}
BENCHMARK(BareHandshake)->Unit(benchmark::kMicrosecond);

void StartUpToWindowShown(benchmark::State& state) {
    const StandInWorld world;
    for (auto _ : state) {
        CTopDialog window(PlatformIpcLinkMaker());
        if (!window.OnInitDialog()) {
            state.SkipWithError("a start-up check failed");
            break;
        }
        window.show();
        QApplication::processEvents();
    }
}
BENCHMARK(StartUpToWindowShown)->Unit(benchmark::kMillisecond);

void PlantPress(benchmark::State& state) {
    const StandInWorld world;
    CTopDialog window(PlatformIpcLinkMaker());
    if (!window.OnInitDialog()) {
        state.SkipWithError("a start-up check failed");
        return;
    }
    window.show();
    PlantingSession& session = window.Session();
    session.NameNewFile("bench.xml", world.workingFolder.Path().string() + "/");
    window.DefaultPage().TreeButton(1000)->click();
    QApplication::processEvents();
    auto* plant = window.DefaultPage().findChild<QPushButton*>(QStringLiteral("plantButton"));
    for (auto _ : state) {
        plant->click();
        QApplication::processEvents();  // the press's handler runs queued
        state.PauseTiming();
        if (session.Document().PlantedCount() != 1) {
            state.SkipWithError("the press planted nothing");
            break;
        }
        session.Undo();  // frees the spot for the next press
        state.ResumeTiming();
    }
}
BENCHMARK(PlantPress)->Unit(benchmark::kMicrosecond);

}  // namespace
