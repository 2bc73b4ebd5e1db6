#include "tools/simulator/window/RunSimulatorWindow.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>

#include "tools/simulator/ServerThread.h"
#include "tools/simulator/window/CSimulatorWindow.h"
#include "tools/simulator/window/CommandRouter.h"

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt gives up when the display cannot be reached; say how to run without one.
void HintAtHeadless(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    qtHandler(type, context, message);
    if (type == QtFatalMsg) {
        std::fputs("grovewright-sim: no window can be shown; --headless runs without one\n", stderr);
    }
}

}  // namespace

void ConnectWindow(CSimulatorWindow& window, CommandRouter& router) {
    QObject::connect(&window, &CSimulatorWindow::CommandEntered, &router, &CommandRouter::SendFromWindow);
    QObject::connect(&router, &CommandRouter::PositionReported, &window, &CSimulatorWindow::ShowPosition);
    QObject::connect(&router, &CommandRouter::WindowReplied, &window, &CSimulatorWindow::ShowReply);
}

int RunSimulatorWindow(const char* program, SimulatorState& state, AnswerMode& mode, int stop,
                       const SimulatorOptions& options, const std::string& socketPath,
                       const std::function<void()>& announceReady) {
    qtHandler = qInstallMessageHandler(HintAtHeadless);
    // Qt places the first window shown by its -geometry argument, on every platform that lets it.
    std::string geometryOption = "-geometry";
    std::string geometry = options.geometry;
    char* argv[] = {const_cast<char*>(program), geometryOption.data(), geometry.data(), nullptr};
    int argc = geometry.empty() ? 1 : 3;
    QApplication application(argc, argv);
    ServerThread server(state, mode);
    std::string problem;
    if (!server.Listen(socketPath, problem)) {
        std::fprintf(stderr, "grovewright-sim: %s\n", problem.c_str());
        return 1;
    }
    announceReady();
    CSimulatorWindow window(options.latitude, options.longitude,
                            QObject::tr("Serving %1 at %2")
                                .arg(QString::fromStdString(options.windowClass), QString::fromStdString(socketPath)));
    CommandRouter router(server.CommandInput(), server.Replies(), options.readCommands ? STDIN_FILENO : -1, stdout);
    ConnectWindow(window, router);
    QObject::connect(&router, &CommandRouter::ServerEnded, &application, &QApplication::quit);
    server.Start(stop);
    router.SendFromWindow(QStringLiteral("position"));  // shows what the server serves, not what was asked
    window.show();
    const int status = application.exec();
    server.Stop();
    return status;
}
