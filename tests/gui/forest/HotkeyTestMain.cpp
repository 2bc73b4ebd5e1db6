#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/gui/forest/HotkeyTestRuns.h"
#include "tests/support/XvfbServer.h"

// The tests bring their own X server, so that keys grabbed here never reach the user's desktop.
// "wine" as the first argument runs the keys against a Wine program's window instead, which is slow.
int main(int argc, char** argv) {
    const XvfbServer server;
    if (server.Display().empty()) {
        std::fprintf(stderr, "Xvfb did not start (package xvfb)\n");
        return 1;
    }
    setenv("DISPLAY", server.Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // No session bus: else D-Bus would start one for the new display, outliving the test.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-bus", 1);
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "wine") == 0) {
        argv[1] = argv[0];
        return RunWineFocusTest(argc - 1, argv + 1);
    }
    return RunHotkeyTest(argc, argv);
}
