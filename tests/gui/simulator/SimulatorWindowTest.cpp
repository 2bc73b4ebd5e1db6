// The stand-in simulator's window driven as a user would, against its server on its own thread.
// Set GROVEWRIGHT_SCREENSHOTS to a folder to have the window's picture written there.
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "simlink/IpcLink.h"
#include "simlink/ReadAircraftPosition.h"
#include "simlink/posix/RuntimeFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/ServerThread.h"
#include "tools/simulator/window/CSimulatorWindow.h"
#include "tools/simulator/window/CommandRouter.h"
#include "tools/simulator/window/RunSimulatorWindow.h"

namespace {

template <typename Control>
Control* Named(const QWidget& window, const QString& name) {
    for (auto* control : window.findChildren<Control*>()) {
        if (control->accessibleName() == name) {
            return control;
        }
    }
    return nullptr;
}

constexpr double startLatitude = 47.5;
constexpr double startLongitude = 8.25;

// The simulator as the program runs it with a window, its console on a pipe and a memory stream.
struct WindowedSimulator {
    ScratchRuntimeFolder folder;
    SimulatorState state{0x39990000, 7};
    AnswerMode mode;
    ServerThread server{state, mode};
    int console[2] = {-1, -1};
    char* consoleText = nullptr;
    std::size_t consoleSize = 0;
    std::FILE* consoleOutput = open_memstream(&consoleText, &consoleSize);
    CSimulatorWindow window{startLatitude, startLongitude, QStringLiteral("serving")};
    std::unique_ptr<CommandRouter> router;

    WindowedSimulator() {
        state.PutAircraft(startLatitude, startLongitude);
        std::string problem;
        if (pipe(console) != 0 || !server.Listen(RuntimeFolder::Find().SocketPathFor("UIPCMAIN"), problem)) {
            qFatal("cannot start the simulator: %s", problem.c_str());
        }
        router = std::make_unique<CommandRouter>(server.CommandInput(), server.Replies(), console[0], consoleOutput);
        ConnectWindow(window, *router);
        server.Start(-1);
        window.show();
    }
    ~WindowedSimulator() {
        router.reset();
        server.Stop();
        close(console[0]);
        close(console[1]);
        std::fclose(consoleOutput);
        std::free(consoleText);
    }

    void Type(const char* lines) const { QVERIFY(write(console[1], lines, std::strlen(lines)) > 0); }
    QString ConsoleOutput() const { return QString::fromUtf8(consoleText, static_cast<qsizetype>(consoleSize)); }
    QString ShownLatitude() const { return Named<QLabel>(window, "Aircraft latitude")->text(); }
};

// The position a link reads from the server.
AircraftPositionReading Served() {
    IpcLink link(7);
    return ReadAircraftPosition(link);
}

}  // namespace

class SimulatorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void slewsMoveTheServedPosition_data();
    void slewsMoveTheServedPosition();
    void consoleRepliesStayOnTheConsole();
    void everyControlIsNamed();
};

void SimulatorWindowTest::slewsMoveTheServedPosition_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");  // pressed on that button instead of clicking it, when not 0
    QTest::addColumn<double>("north");
    QTest::addColumn<double>("east");
    QTest::newRow("north button") << "Slew north" << 0 << 1.0 << 0.0;
    QTest::newRow("south button") << "Slew south" << 0 << -1.0 << 0.0;
    QTest::newRow("east button") << "Slew east" << 0 << 0.0 << 1.0;
    QTest::newRow("west button") << "Slew west" << 0 << 0.0 << -1.0;
    // A button would take the arrow keys to move the focus.
    QTest::newRow("left arrow") << "Slew north" << int(Qt::Key_Left) << 0.0 << -1.0;
    QTest::newRow("down arrow") << "Slew east" << int(Qt::Key_Down) << -1.0 << 0.0;
}

void SimulatorWindowTest::slewsMoveTheServedPosition() {
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(double, north);
    QFETCH(double, east);
    WindowedSimulator simulator;
    constexpr double step = 250.0;
    simulator.window.findChild<QDoubleSpinBox*>()->setValue(step);
    const QString before = simulator.ShownLatitude();
    QAbstractButton* pressed = Named<QAbstractButton>(simulator.window, button);
    QVERIFY(pressed != nullptr);
    key == 0 ? QTest::mouseClick(pressed, Qt::LeftButton) : QTest::keyClick(pressed, Qt::Key(key));

    const double metresPerDegree = SimulatorState::earthRadiusMetres * std::numbers::pi / 180.0;
    const double latitude = startLatitude + north * step / metresPerDegree;
    const double longitude =
        startLongitude + east * step / (metresPerDegree * std::cos(latitude * std::numbers::pi / 180.0));
    QTRY_VERIFY(std::fabs(Served().latitude - latitude) < 1e-9 && std::fabs(Served().longitude - longitude) < 1e-9);
    if (north != 0.0) {
        QTRY_VERIFY(simulator.ShownLatitude() != before);
    }
}

void SimulatorWindowTest::consoleRepliesStayOnTheConsole() {
    WindowedSimulator simulator;
    QSignalSpy ended(simulator.router.get(), &CommandRouter::ServerEnded);
    simulator.Type("position 10 20\n \n");
    QTRY_COMPARE(simulator.ShownLatitude(), QString::fromUtf8("10.00000000\u00B0"));
    QTest::mouseClick(Named<QAbstractButton>(simulator.window, "Slew north"), Qt::LeftButton);
    QTRY_VERIFY(simulator.ShownLatitude() != QString::fromUtf8("10.00000000\u00B0"));
    simulator.Type("quit\n");
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(simulator.ConsoleOutput(), QStringLiteral("position 10.000000000000 20.000000000000\nquit\n"));
}

void SimulatorWindowTest::everyControlIsNamed() {
    CSimulatorWindow window(startLatitude, startLongitude, QStringLiteral("Serving UIPCMAIN at /run/user/1000/UIPCMAIN"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const bool innerPart = qobject_cast<const QAbstractSpinBox*>(control->parentWidget()) != nullptr;
        const bool named = control->focusPolicy() == Qt::NoFocus || innerPart || !control->accessibleName().isEmpty();
        QVERIFY2(named, control->metaObject()->className());
    }
    if (const QString folder = qEnvironmentVariable("GROVEWRIGHT_SCREENSHOTS"); !folder.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(window.grab().save(folder + "/simulator.png"));
    }
}

QTEST_MAIN(SimulatorWindowTest)
#include "SimulatorWindowTest.moc"
