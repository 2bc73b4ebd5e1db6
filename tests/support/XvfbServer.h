#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// A private X server (Xvfb) for tests that need a real X11 display: key grabs, other clients, input
// synthesised with XTEST. It picks a free display itself and names it once it accepts clients; the
// server ends with this object.
class XvfbServer {
public:
    XvfbServer() {
        int ready[2];
        if (pipe(ready) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            close(ready[0]);
            const int quiet = open("/dev/null", O_WRONLY);  // its warnings about fonts and keymaps are noise
            dup2(quiet, 1);
            dup2(quiet, 2);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        char c = 0;
        while (pid > 0 && read(ready[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(ready[0]);
    }
    ~XvfbServer() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", or empty where the server did not start.
    std::string Display() const { return number.empty() ? std::string() : ":" + number; }

private:
    pid_t pid = -1;
    std::string number;
};
