#include "tools/relay/RelayOptions.h"

#include <charconv>

#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "simlink/tcp/Sockets.h"

namespace {

bool ParseCount(std::string_view text, int lowest, int highest, int& value) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc() && end == text.data() + text.size() && value >= lowest && value <= highest;
}

}  // namespace

ParsedRelayOptions ParseRelayOptions(std::span<const std::string_view> arguments) {
    ParsedRelayOptions parsed;
    RelayOptions& options = parsed.options;
    const auto fail = [&parsed](const std::string& why) {
        parsed.error = why;
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (name == "-h" || name == "--help") {
            parsed.showHelp = true;
        } else if (name == "--allow-writes") {
            options.allowWrites = true;
        } else if (name == "--listen") {
            RelayAddress address;
            std::string ignored;
            // Port 0 (any free port) is fine for a listener, not for a client.
            const std::string given = hasValue ? std::string(arguments[++i]) : std::string();
            const bool anyPort = given.size() > 2 && given.compare(given.size() - 2, 2, ":0") == 0;
            if (!ParseRelayAddress(anyPort ? given.substr(0, given.size() - 1) + "1" : given, address,
                                   ignored)) {
                return fail("--listen needs ADDRESS:PORT, such as 127.0.0.1:9117 or 0.0.0.0:9117");
            }
            options.address = address.host;
            options.port = anyPort ? 0 : address.port;
        } else if (name == "--secret-file") {
            if (!hasValue) {
                return fail("--secret-file needs a file");
            }
            options.secretFile = arguments[++i];
        } else if (name == "--max-clients") {
            if (!hasValue || !ParseCount(arguments[++i], 1, mostRelayClients, options.maxClients)) {
                return fail("--max-clients needs a number from 1 to " + std::to_string(mostRelayClients));
            }
        } else if (name == "--idle-seconds") {
            if (!hasValue || !ParseCount(arguments[++i], 1, 86400, options.idleSeconds)) {
                return fail("--idle-seconds needs a number from 1 to 86400");
            }
        } else {
            return fail("unknown option " + std::string(name));
        }
    }
    if (!parsed.showHelp && options.secretFile.empty() && !Sockets::IsLoopback(options.address)) {
        return fail("listening on " + options.address + " serves other machines and needs --secret-file");
    }
    return parsed;
}

std::string RelayUsage() {
    return R"(Usage: grovewright-relay [options]

Carries Grovewright's simulator link over TCP to the simulator's server (FSUIPC or WideClient, or the
stand-in simulator) running on this machine. Start it beside the simulator, then start Grovewright
with --relay HOST:PORT.

Options:
  --listen ADDRESS:PORT   where to listen (default 127.0.0.1:9117, this machine only); any other
                          address serves other machines and needs --secret-file
  --secret-file FILE      the shared secret, the first line of FILE (at least 16 characters);
                          clients prove they know it (Grovewright reads it from the file named by
                          GROVEWRIGHT_RELAY_SECRET_FILE)
  --allow-writes          let clients write simulator offsets (refused by default; only the
                          link's handshake may write its client version)
  --max-clients N         connections kept at once (default 32, at most 60); when full, the
                          longest idle connection makes room for a new one
  --idle-seconds N        closes a connection idle this long (default 120)
  -h, --help              show this text

It prints "ready ADDRESS:PORT" once it listens, and runs until interrupted.
)";
}
