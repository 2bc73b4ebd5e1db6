// The real executable refuses to start with one message and exit code 1 when a start-up check fails,
// without showing its window.
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <memory>

#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace fs = std::filesystem;

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void RefusesToStart_data();
    void RefusesToStart();
};

void StartupTest::RefusesToStart_data() {
    QTest::addColumn<QStringList>("simulatorArguments");  // empty: no simulator
    QTest::addColumn<bool>("compilerInWorkingFolder");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("programArguments");
    QTest::newRow("no simulator") << QStringList() << true << "No connection to FS2004" << QStringList();
    QTest::newRow("simulator version 8") << QStringList{"--simulator-version", "8"} << true
                                         << "This program works only with FS2004" << QStringList();
    // With --relay the link goes to the relay's address, not to the local simulator.
    QTest::newRow("relay nobody serves") << QStringList{"--simulator-version", "7"} << true
                                         << "No connection to FS2004" << QStringList{"--relay", "127.0.0.1:1"};
    // The compiler stands beside the executable but not in the working folder.
    QTest::newRow("no compiler") << QStringList{"--simulator-version", "7"} << false
                                 << "BGLComp is not present in the Grovewright folder.\\n Please re-install Grovewright"
                                 << QStringList();
}

void StartupTest::RefusesToStart() {
    QFETCH(QStringList, simulatorArguments);
    QFETCH(bool, compilerInWorkingFolder);
    QFETCH(QString, message);
    QFETCH(QStringList, programArguments);

    const ScratchRuntimeFolder runtime;
    const TemporaryFolder programFolder;
    const TemporaryFolder workingFolder;
    const fs::path program = programFolder.Path("grovewright");
    fs::copy_file(GROVEWRIGHT_EXECUTABLE, program);
    programFolder.Write("bglcomp.exe", "stand-in");
    if (compilerInWorkingFolder) {
        workingFolder.Write("bglcomp.exe", "stand-in");
    }
    std::unique_ptr<SimulatorProcess> simulator;
    if (!simulatorArguments.isEmpty()) {
        std::vector<std::string> arguments;
        for (const QString& argument : simulatorArguments) {
            arguments.push_back(argument.toStdString());
        }
        simulator = std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, arguments);
        QVERIFY(simulator->IsReady());
    }

    QProcess grovewright;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_PRELOAD", GROVEWRIGHT_ANSWER_MESSAGES);
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    environment.insert("XDG_STATE_HOME", QString::fromStdString(runtime.Path()) + "/state");
    grovewright.setProcessEnvironment(environment);
    grovewright.setWorkingDirectory(QString::fromStdString(workingFolder.Path().string()));
    grovewright.start(QString::fromStdString(program.string()), programArguments);
    QVERIFY(grovewright.waitForFinished(30000));

    QCOMPARE(QString::fromUtf8(grovewright.readAllStandardOutput()), "message: " + message + "\n");
    QCOMPARE(grovewright.exitStatus(), QProcess::NormalExit);
    QCOMPARE(grovewright.exitCode(), 1);
}

QTEST_GUILESS_MAIN(StartupTest)
#include "StartupTest.moc"
