// The window against a simulator that stops answering: the link's time-outs run off the window's
// thread, which goes on serving its timers, refuses every other command meanwhile, and ends with the
// link's failure and nothing planted.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "app/CTopDialog.h"
#include "app/FileCommands.h"
#include "app/PlantingSession.h"
#include "app/palette/CPictureButton.h"
#include "app/palette/CPlaceTreesDlg.h"
#include "tests/gui/window/ModalScript.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/WindowControls.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

class SessionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void PlantPressWaitsOffTheWindowsThread();
    void StartupAgainstASilentSimulatorSaysItIsConnecting();

private:
    ScratchRuntimeFolder runtime;
    TemporaryFolder workingFolder;
};

void SessionTest::initTestCase() {
    workingFolder.Write("bglcomp.exe", "stand-in");
    std::filesystem::current_path(workingFolder.Path());
}

void SessionTest::PlantPressWaitsOffTheWindowsThread() {
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {});
    QVERIFY(simulator.IsReady());
    CTopDialog window(PlatformIpcLinkMaker());
    QVERIFY(window.OnInitDialog());
    window.show();
    PlantingSession& session = window.Session();
    session.NameNewFile("trees.xml", workingFolder.Path().string() + "/");
    Press(&window, 1009);
    Press(&window, 1020);
    QCOMPARE(session.Document().PlantedCount(), std::size_t{1});

    QCOMPARE(simulator.Command("answer never"), "answer never");
    QCOMPARE(simulator.Command("position 10 20").substr(0, 8), "position");
    int ticks = 0;
    bool waitingShown = false;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        ++ticks;
        const QString status = window.findChild<QLabel*>("statusLine")->text();
        waitingShown = waitingShown || status.endsWith("Waiting for the simulator...");
        // Everything else is refused while the press waits.
        Press(&window, 1020);
        window.Files().OnSave();
        window.findChild<QAction*>("undoAction")->trigger();
        session.Undo();
    });
    tick.start(50);
    Press(&window, 1020);
    tick.stop();
    // The link gives up after 9 sends of 2 s; the window's timer ran all along.
    QVERIFY2(ticks >= 200, qPrintable(QString::number(ticks)));
    QVERIFY(waitingShown);
    QCOMPARE(session.Document().PlantedCount(), std::size_t{1});
    QCOMPARE(window.findChild<QLabel*>("statusLine")->text(),
             "1 planted object\nNothing planted: no connection to the simulator");
    QVERIFY(!session.IsBusy());
    // A press that planted nothing is no step of the history.
    QCOMPARE(session.UndoStack().count(), 1);
}

void SessionTest::StartupAgainstASilentSimulatorSaysItIsConnecting() {
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {"--never-answer"});
    QVERIFY(simulator.IsReady());
    CTopDialog window(PlatformIpcLinkMaker());
    bool noticeShown = false;
    QTimer look;
    connect(&look, &QTimer::timeout, this, [&noticeShown] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "connectingNotice" && widget->isVisible()) {
                noticeShown =
                    noticeShown || widget->findChild<QLabel*>()->text() == "Connecting to the simulator...";
            }
        }
    });
    look.start(100);
    const ModalScript script({ModalScript::Press(QMessageBox::Ok)}, 30000);
    QVERIFY(!window.OnInitDialog());
    QTRY_VERIFY(script.Finished());
    QCOMPARE(script.Messages(), QStringList{"No connection to FS2004"});
    QVERIFY(noticeShown);
}

QTEST_MAIN(SessionTest)
#include "SessionTest.moc"
