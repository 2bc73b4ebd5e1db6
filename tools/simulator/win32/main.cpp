// grovewright-sim for Windows: the stand-in for FS2004 with FSUIPC, serving the simulator link from a
// hidden window of the server's class, and reading commands on its standard input.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <optional>
#include <string>

#include "tools/ToolCommandLine.h"
#include "tools/simulator/ConsoleCommands.h"
#include "tools/simulator/SimulatorOptions.h"
#include "tools/simulator/SimulatorState.h"
#include "tools/simulator/win32/SimulatorWindow.h"

namespace {

void RunCommands(SimulatorWindow& server, SimulatorState& state, AnswerMode& mode) {
    char line[1024];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string command = line;
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
            command.pop_back();
        }
        ConsoleReply reply;
        {
            const auto lock = server.Lock();
            reply = RunConsoleCommand(command, state, mode);
        }
        server.ModeChanged();
        if (!reply.line.empty()) {
            std::printf("%s\n", reply.line.c_str());
            std::fflush(stdout);
        }
        if (reply.quit) {
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Lines end in a line feed alone, as the Linux stand-in's do, for the programs that read them.
    _setmode(_fileno(stdout), _O_BINARY);
    const ParsedSimulatorOptions parsed = ParseSimulatorOptions(ToolArguments(argc, argv));
    if (const std::optional<int> exitCode = CommandLineExit("grovewright-sim", parsed)) {
        return *exitCode;
    }
    const SimulatorOptions& options = parsed.options;
    SimulatorState state(options.serverVersion, options.simulatorVersion);
    state.PutAircraft(options.latitude, options.longitude);
    state.SetGroundAltitude(options.groundAltitude);
    AnswerMode mode = options.answerMode;

    SimulatorWindow server(state, mode);
    std::string problem;
    if (!server.Start(options.windowClass, problem)) {
        std::fprintf(stderr, "grovewright-sim: %s\n", problem.c_str());
        return 1;
    }
    std::printf("ready %s window\n%s\n", options.windowClass.c_str(), PositionLine(state).c_str());
    std::fflush(stdout);
    if (options.readCommands) {
        RunCommands(server, state, mode);
    } else {
        Sleep(INFINITE);
    }
    return 0;
}
