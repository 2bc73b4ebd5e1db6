// The global keys while a Wine program's window has the keyboard focus, as the simulator's has when
// a designer flies in it: Wine's Notepad on the test's X server, given the focus, and Ctrl+Alt+P and
// Ctrl+Alt+C pressed through XTEST still plant a tree and add a corner, and leave the focus there.
// Wine's X11 driver grabs only the pointer (a clipped cursor, a full-screen window), never the
// keyboard, so no mode of Wine's takes the keys from the root window's grab.
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "app/UserSettings.h"
#include "app/forest/CForestPanel.h"
#include "tests/gui/forest/HotkeyTestRuns.h"
#include "tests/gui/forest/HotkeyWindow.h"
#include "tests/gui/forest/OtherXClient.h"

namespace {

// A first start in a fresh prefix sets it up, which takes Wine some seconds.
constexpr int windowWaitMs = 30000;

// The build's own Wine prefix for windows on a display, prepared and stopped the way the Windows
// tests' prefix is.
bool WinePrefix(const char* action) {
    return QProcess::execute("sh", {GROVEWRIGHT_WINE_PREFIX_SCRIPT, action, GROVEWRIGHT_WINE_PREFIX}) == 0;
}

class WineFocusTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void TheKeysWorkWhileAWineWindowHasTheFocus();

private:
    HotkeyWindow keys;
    QProcess notepad;
    bool wineStarted = false;
};

void WineFocusTest::initTestCase() {
    if (QStandardPaths::findExecutable("wine").isEmpty()) {
        QSKIP("wine is not on the PATH: the keys are not tried with a Wine program's window");
    }
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    QVERIFY(keys.Simulator().IsReady());
    UserSettings()->remove("forest");
    keys.Open();
    QVERIFY2(keys.KeysText().startsWith("Ctrl+Alt+P plants"), qPrintable(keys.KeysText()));
    WinePrefix("stop");  // a server left by a run that broke off would serve an old display
    wineStarted = true;
    QVERIFY(WinePrefix("start-x11"));
    notepad.setStandardOutputFile(QProcess::nullDevice());
    notepad.setStandardErrorFile(QProcess::nullDevice());
    notepad.start("sh", {GROVEWRIGHT_WINE_RUN_SCRIPT, GROVEWRIGHT_WINE_PREFIX, "notepad"});
    QVERIFY(notepad.waitForStarted());
}

// Every Wine process of the prefix ends, Notepad's with them.
void WineFocusTest::cleanupTestCase() {
    if (wineStarted) {
        WinePrefix("stop");
        notepad.waitForFinished(5000);
    }
    keys.Close();
}

void WineFocusTest::TheKeysWorkWhileAWineWindowHasTheFocus() {
    OtherXClient desktop;
    QVERIFY(desktop.Connected());
    xcb_window_t wine = 0;
    QTRY_VERIFY_WITH_TIMEOUT((wine = desktop.FindViewable("notepad.exe")) != 0, windowWaitMs);
    desktop.Focus(wine);
    QCOMPARE(desktop.FocusedWindow(), wine);
    QTRY_VERIFY(QGuiApplication::focusWindow() == nullptr);

    QCOMPARE(keys.Simulator().Command("position 47.8 8.4").substr(0, 8), "position");
    desktop.PressControlAlt('p');
    QTRY_COMPARE(keys.Planted(), std::size_t{1});
    QCOMPARE(keys.Window().Session().UndoStack().undoText(), QString("Plant Conifer 3"));
    desktop.PressControlAlt('c');
    QTRY_COMPARE(keys.Forest().Corners().size(), std::size_t{1});
    QCOMPARE(keys.Planted(), std::size_t{1});
    QCOMPARE(desktop.FocusedWindow(), wine);
}

}  // namespace

int RunWineFocusTest(int argc, char** argv) {
    WineFocusTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WineFocusTest.moc"
