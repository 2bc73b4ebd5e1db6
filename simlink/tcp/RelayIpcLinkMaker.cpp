#include "simlink/tcp/RelayIpcLinkMaker.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "simlink/PlatformServices.h"
#include "simlink/tcp/RelayTransport.h"

namespace {

// The transport and clock a relayed link uses, made before the link so that they outlive it.
struct RelayServices {
    RelayServices(const std::string& host, std::uint16_t port, std::string secret)
        : relayTransport(host, port, std::move(secret)), relayClock(MakePlatformClock()) {}
    RelayTransport relayTransport;
    std::unique_ptr<IpcClock> relayClock;
};

// A link that owns its relay transport.
class RelayIpcLink final : private RelayServices, public IpcLink {
public:
    RelayIpcLink(const std::string& host, std::uint16_t port, std::string secret,
                 std::uint32_t requestedVersion)
        : RelayServices(host, port, std::move(secret)),
          IpcLink(relayTransport, *relayClock, requestedVersion) {}
    ~RelayIpcLink() override { Close(); }
};

}  // namespace

bool ParseRelayAddress(std::string_view text, RelayAddress& address, std::string& problem) {
    const auto colon = text.rfind(':');
    std::string_view host = colon == std::string_view::npos ? std::string_view() : text.substr(0, colon);
    const std::string_view port =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        host = {};  // an IPv6 address needs its brackets
    }
    unsigned number = 0;
    const auto [end, failure] = std::from_chars(port.data(), port.data() + port.size(), number);
    const bool portOk = !port.empty() && failure == std::errc() && end == port.data() + port.size() &&
                        number >= 1 && number <= 65535;
    const bool hostOk = !host.empty() && host.find_first_of(" \t[]/") == std::string_view::npos;
    if (!hostOk || !portOk) {
        problem = "--relay needs HOST:PORT, such as 192.168.1.20:9117 or [::1]:9117";
        return false;
    }
    address = RelayAddress{std::string(host), static_cast<std::uint16_t>(number)};
    return true;
}

bool ReadRelaySecret(const std::string& file, std::string& secret) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return false;
    }
    const auto first = line.find_first_not_of(" \t\r\n");
    const auto last = line.find_last_not_of(" \t\r\n");
    secret = first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
    return !secret.empty();
}

IpcLinkMaker RelayIpcLinkMaker(const std::string& host, std::uint16_t port, const std::string& secretFile) {
    return [host, port, secretFile](std::uint32_t requestedVersion) -> std::unique_ptr<IpcLink> {
        std::string secret;
        const char* named = std::getenv(relaySecretVariable);
        const std::string file = !secretFile.empty() ? secretFile : named != nullptr ? named : "";
        if (!file.empty()) {
            // An unreadable secret file leaves the secret empty: a relay that needs one refuses the link.
            ReadRelaySecret(file, secret);
        }
        return std::make_unique<RelayIpcLink>(host, port, std::move(secret), requestedVersion);
    };
}
