// grovewright-sim: a stand-in for FS2004 with FSUIPC, serving the simulator link over a local socket.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "simlink/posix/RuntimeFolder.h"
#include "tools/ToolCommandLine.h"
#include "tools/simulator/ConsoleCommands.h"
#include "tools/simulator/SimulatorOptions.h"
#include "tools/simulator/SimulatorServer.h"
#include "tools/simulator/SimulatorState.h"
#ifdef GROVEWRIGHT_SIMULATOR_WINDOW
#include "tools/simulator/window/RunSimulatorWindow.h"
#endif

namespace {

int stopWriter = -1;

void OnStopSignal(int) {
    const char stop = 's';
    [[maybe_unused]] const ssize_t written = write(stopWriter, &stop, 1);
}

bool CatchStopSignals(int stopPipe[2]) {
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    stopWriter = stopPipe[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

#ifdef GROVEWRIGHT_SIMULATOR_WINDOW
bool DisplayPresent() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}
#endif

void PrintReady(const SimulatorOptions& options, const std::string& socketPath, const SimulatorState& state) {
    std::printf("ready %s %s\n%s\n", options.windowClass.c_str(), socketPath.c_str(),
                PositionLine(state).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedSimulatorOptions parsed = ParseSimulatorOptions(ToolArguments(argc, argv));
    if (const std::optional<int> exitCode = CommandLineExit("grovewright-sim", parsed)) {
        return *exitCode;
    }
    const SimulatorOptions& options = parsed.options;
    const RuntimeFolder folder = RuntimeFolder::Find();
    if (folder.path.empty()) {
        std::fprintf(stderr, "grovewright-sim: %s\n", folder.problem.c_str());
        return 1;
    }
    int stopPipe[2] = {-1, -1};
    if (!CatchStopSignals(stopPipe)) {
        std::perror("grovewright-sim: pipe");
        return 1;
    }

    SimulatorState state(options.serverVersion, options.simulatorVersion);
    state.PutAircraft(options.latitude, options.longitude);
    state.SetGroundAltitude(options.groundAltitude);
    AnswerMode mode = options.answerMode;

    const std::string socketPath = folder.SocketPathFor(options.windowClass);
#ifdef GROVEWRIGHT_SIMULATOR_WINDOW
    if (!options.headless && DisplayPresent()) {
        return RunSimulatorWindow(argv[0], state, mode, stopPipe[0], options, socketPath,
                                  [&] { PrintReady(options, socketPath, state); });
    }
#endif
    SimulatorServer server(state, mode, stdout);
    std::string problem;
    if (!server.Listen(socketPath, problem)) {
        std::fprintf(stderr, "grovewright-sim: %s\n", problem.c_str());
        return 1;
    }
    PrintReady(options, socketPath, state);
    server.Run(options.readCommands ? STDIN_FILENO : -1, stopPipe[0]);
    return 0;
}
