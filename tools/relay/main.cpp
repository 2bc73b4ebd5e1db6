// grovewright-relay: carries Grovewright's simulator link over TCP to the simulator's server on this
// machine, through the platform's own transport.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "simlink/PlatformServices.h"
#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "simlink/tcp/Sockets.h"
#include "tools/ToolCommandLine.h"
#include "tools/relay/RelayOptions.h"
#include "tools/relay/RelayServer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::atomic<bool> stopRequested{false};

void OnStopSignal(int) {
    stopRequested = true;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end in a line feed alone, as on Linux, for the programs that read them.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const ParsedRelayOptions parsed = ParseRelayOptions(ToolArguments(argc, argv));
    if (const std::optional<int> exitCode = CommandLineExit("grovewright-relay", parsed)) {
        return *exitCode;
    }
    const RelayOptions& options = parsed.options;
    RelaySettings settings;
    settings.address = options.address;
    settings.port = options.port;
    settings.allowWrites = options.allowWrites;
    settings.maxClients = options.maxClients;
    settings.idleLimit = std::chrono::seconds(options.idleSeconds);
    if (!options.secretFile.empty() &&
        (!ReadRelaySecret(options.secretFile, settings.secret) || settings.secret.size() < 16)) {
        std::fprintf(stderr,
                     "grovewright-relay: %s must hold a secret of at least 16 characters on its first line\n",
                     options.secretFile.c_str());
        return 1;
    }
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const std::unique_ptr<IpcTransport> transport = MakePlatformTransport();
    RelayServer relay(settings, *transport);
    std::string problem;
    if (!relay.Listen(problem)) {
        std::fprintf(stderr, "grovewright-relay: %s\n", problem.c_str());
        return 1;
    }
    // The first line is for programs that start the relay; the second for the person who did.
    std::printf("ready %s:%u\n", options.address.c_str(), static_cast<unsigned>(relay.Port()));
    std::printf("serving %s; %s; writes %s\n",
                Sockets::IsLoopback(options.address) ? "this machine only" : "other machines",
                settings.secret.empty() ? "no secret" : "clients must prove the secret",
                settings.allowWrites ? "allowed" : "refused");
    std::fflush(stdout);
    relay.Run(stopRequested);
    return 0;
}
