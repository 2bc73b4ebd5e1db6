#include "tools/relay/RelayOptions.h"

#include <charconv>

#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "simlink/tcp/Sockets.h"

namespace {

constexpr const char* description =
    R"(Carries Grovewright's simulator link over TCP to the simulator's server (FSUIPC or WideClient, or
the stand-in simulator) running on this machine. Start it beside the simulator, then start
Grovewright with --relay HOST:PORT.)";

constexpr const char* footer =
    R"(It prints "ready ADDRESS:PORT" once it listens, and runs until interrupted.)";

// Reads a whole number from lowest to highest; the reason when the text is not one.
std::function<std::string(const std::string&)> Count(int lowest, int highest, int& value, std::string why) {
    return [lowest, highest, &value, why](const std::string& text) {
        int number = 0;
        const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
        const bool ok = failure == std::errc() && end == text.data() + text.size() && number >= lowest &&
                        number <= highest;
        value = ok ? number : value;
        return ok ? std::string() : why;
    };
}

std::string ReadListen(const std::string& given, RelayOptions& options) {
    RelayAddress address;
    std::string ignored;
    // Port 0 (any free port) is fine for a listener, not for a client.
    const bool anyPort = given.size() > 2 && given.compare(given.size() - 2, 2, ":0") == 0;
    if (!ParseRelayAddress(anyPort ? given.substr(0, given.size() - 1) + "1" : given, address, ignored)) {
        return "needs ADDRESS:PORT, such as 127.0.0.1:9117 or 0.0.0.0:9117";
    }
    options.address = address.host;
    options.port = anyPort ? 0 : address.port;
    return "";
}

}  // namespace

ParsedRelayOptions ParseRelayOptions(std::span<const std::string_view> arguments) {
    ParsedRelayOptions parsed;
    RelayOptions& options = parsed.options;
    ToolCommandLine commandLine("grovewright-relay", description);
    commandLine.SetFooter(footer);
    commandLine.AddValueOption(
        "--listen", "ADDRESS:PORT",
        "where to listen (default 127.0.0.1:9117, this machine only); any other address serves other "
        "machines and needs --secret-file",
        [&options](const std::string& value) { return ReadListen(value, options); });
    commandLine.AddTextOption(
        "--secret-file", "FILE",
        "the shared secret: the first line of FILE, without its line end and surrounding blanks, at least "
        "16 characters; clients prove they know it (Grovewright reads it from the file named by "
        "GROVEWRIGHT_RELAY_SECRET_FILE)",
        options.secretFile);
    commandLine.AddFlag("--allow-writes",
                        "let clients write simulator offsets (refused by default; only the link's handshake "
                        "may write its client version)",
                        options.allowWrites);
    commandLine.AddValueOption(
        "--max-clients", "N",
        "connections with an open window kept at once, and as many more still opening (default 32, at "
        "most 60); an opened connection makes room only for another opened one",
        Count(1, mostRelayClients, options.maxClients,
              "needs a number from 1 to " + std::to_string(mostRelayClients)));
    commandLine.AddValueOption("--idle-seconds", "N", "closes a connection idle this long (default 120)",
                               Count(1, 86400, options.idleSeconds, "needs a number from 1 to 86400"));
    commandLine.Read(arguments, parsed);
    if (parsed.error.empty() && parsed.output.empty() && options.secretFile.empty() &&
        !Sockets::IsLoopback(options.address)) {
        parsed.error = "listening on " + options.address + " serves other machines and needs --secret-file";
    }
    return parsed;
}
