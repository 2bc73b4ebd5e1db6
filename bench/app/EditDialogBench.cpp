// The Edit dialog with a large planting list: opening it, and one Delete press removing half of the
// rows, against the straightforward deletion that restarts its scan from the first row after every
// row it removes.
#include "document/PlantingList.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QPushButton>

#include <string>
#include <vector>

#include "app/CMyEditDialog.h"
#include "trees/TreeCatalogue.h"

namespace {

PlantingList Forest(std::size_t count) {
    const TreeCatalogue catalogue;
    PlantingList list;
    list.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        list.AppendUnchecked(47.0 + static_cast<double>(i) * 1e-5, 8.0 + static_cast<double>(i % 977) * 1e-5,
                             catalogue.GuidAt(static_cast<int>(i % 199)));
    }
    return list;
}

// Every other row, or the first half in one range as a Shift-click would select it.
QItemSelection HalfOfTheRows(const QAbstractItemModel& model, bool alternate) {
    QItemSelection selection;
    const int rows = model.rowCount();
    if (alternate) {
        for (int row = 0; row < rows; row += 2) {
            selection.select(model.index(row, 0), model.index(row, 0));
        }
    } else {
        selection.select(model.index(0, 0), model.index(rows / 2 - 1, 0));
    }
    return selection;
}

void OpenDialog(benchmark::State& state) {
    const PlantingList list = Forest(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        CMyEditDialog dialog(list);
        dialog.show();
        QApplication::processEvents();
        dialog.repaint();
        benchmark::DoNotOptimize(dialog.KeptIndices().size());
    }
}
BENCHMARK(OpenDialog)->Arg(100000)->Unit(benchmark::kMillisecond);

void DeleteHalfInDialog(benchmark::State& state) {
    const PlantingList list = Forest(static_cast<std::size_t>(state.range(0)));
    const bool alternate = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        CMyEditDialog dialog(list);
        dialog.show();
        QApplication::processEvents();
        auto* view = dialog.findChild<QListView*>("plantedObjectsList");
        view->selectionModel()->select(HalfOfTheRows(*view->model(), alternate), QItemSelectionModel::Select);
        state.ResumeTiming();
        dialog.findChild<QPushButton*>("deleteButton")->click();
        dialog.repaint();
        state.PauseTiming();
        if (dialog.KeptIndices().size() != list.Count() - list.Count() / 2) {
            state.SkipWithError("the press did not delete half of the rows");
        }
        dialog.hide();
        state.ResumeTiming();
    }
}
BENCHMARK(DeleteHalfInDialog)
    ->ArgsProduct({{1000, 4000, 16000, 100000}, {1}})
    ->Args({100000, 0})
    ->ArgNames({"rows", "alternate"})
    ->Unit(benchmark::kMillisecond);

// The straightforward deletion over the list box's rows: find the first selected row, remove it from
// the rows and the kept positions, and scan again from the first row until none is selected.
void DeleteHalfByRestartingScan(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> texts(count);
    for (std::size_t i = 0; i < count; ++i) {
        texts[i] = std::to_string(i + 1) + "  47.5000000   8.2500000 Deciduous 1 - 6";
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> rows = texts;
        std::vector<bool> selected(count);
        std::vector<int> keptIndices(count);
        for (std::size_t i = 0; i < count; ++i) {
            selected[i] = i % 2 == 0;
            keptIndices[i] = static_cast<int>(i);
        }
        state.ResumeTiming();
        for (bool found = true; found;) {
            found = false;
            for (std::size_t r = 0; r < rows.size(); ++r) {
                if (selected[r]) {
                    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(r));
                    selected.erase(selected.begin() + static_cast<std::ptrdiff_t>(r));
                    keptIndices.erase(keptIndices.begin() + static_cast<std::ptrdiff_t>(r));
                    found = true;
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(keptIndices.data());
    }
}
BENCHMARK(DeleteHalfByRestartingScan)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

}  // namespace
