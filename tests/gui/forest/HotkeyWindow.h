#pragma once

#include <QKeySequence>
#include <QString>
#include <cstddef>
#include <memory>

#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

class CForestPanel;
class CTopDialog;

// What the global keys act on: the main window with Conifer 3 chosen in its palette and a new file
// named (the Forest window never shown), planting where the stand-in simulator's aircraft is.
class HotkeyWindow {
public:
    HotkeyWindow();
    ~HotkeyWindow();
    HotkeyWindow(const HotkeyWindow&) = delete;
    HotkeyWindow& operator=(const HotkeyWindow&) = delete;

    SimulatorProcess& Simulator() { return simulator; }
    // Opens the windows afresh, so that the Forest window takes the remembered keys again.
    void Open();
    // Closes the windows without asking about the unsaved trees.
    void Close();
    CTopDialog& Window() { return *window; }
    CForestPanel& Forest() { return *forest; }

    std::size_t Planted() const;
    // The Forest window's line about the global keys, and the key an editor shows.
    QString KeysText() const;
    QKeySequence Shown(const char* editor) const;

private:
    ScratchRuntimeFolder runtime;
    TemporaryFolder workingFolder;
    SimulatorProcess simulator;
    std::unique_ptr<CTopDialog> window;
    CForestPanel* forest = nullptr;
};
