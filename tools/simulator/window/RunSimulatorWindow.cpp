#include "tools/simulator/window/RunSimulatorWindow.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>

#include "tools/simulator/window/CSimulatorWindow.h"
#include "tools/simulator/window/CommandRouter.h"

int RunSimulatorWindow(const char* program, ServerThread& server, int stop, const SimulatorOptions& options,
                       const std::string& socketPath) {
    int argc = 1;
    char* argv[] = {const_cast<char*>(program), nullptr};
    QApplication application(argc, argv);
    CSimulatorWindow window(options.latitude, options.longitude,
                            QObject::tr("Serving %1 at %2")
                                .arg(QString::fromStdString(options.windowClass), QString::fromStdString(socketPath)));
    CommandRouter router(server.CommandInput(), server.Replies(), options.readCommands ? STDIN_FILENO : -1, stdout);
    QObject::connect(&window, &CSimulatorWindow::CommandEntered, &router, &CommandRouter::SendFromWindow);
    QObject::connect(&router, &CommandRouter::PositionReported, &window, &CSimulatorWindow::ShowPosition);
    QObject::connect(&router, &CommandRouter::WindowReplied, &window, &CSimulatorWindow::ShowReply);
    QObject::connect(&router, &CommandRouter::ServerEnded, &application, &QApplication::quit);
    server.Start(stop);
    router.SendFromWindow(QStringLiteral("position"));  // shows what the server serves, not what was asked
    window.show();
    const int status = application.exec();
    server.Stop();
    return status;
}
