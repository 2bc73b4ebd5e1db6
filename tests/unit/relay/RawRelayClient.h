#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simlink/tcp/FrameSeal.h"
#include "simlink/tcp/RelayProtocol.h"
#include "simlink/tcp/Sockets.h"

// A client of the relay written from the protocol, for tests that send what the link never would:
// frames changed, sent again, out of order or from another connection, other versions, and clients
// that trickle bytes or never read.
class RawRelayClient {
public:
    // Connects to the relay on the loopback address and reads its Hello.
    explicit RawRelayClient(std::uint16_t port);
    ~RawRelayClient();
    RawRelayClient(const RawRelayClient&) = delete;
    RawRelayClient& operator=(const RawRelayClient&) = delete;

    bool Greeted() const { return greeted; }
    Sockets::Handle Socket() const { return socket; }

    // The first Open of the connection, with the proof for `secret`; the relay's answer, its MAC and
    // proof checked (nothing when it did not come or failed them).
    std::optional<RelayProtocol::Opened> Open(const std::string& secret, const std::string& className);

    // The next frame towards the relay, sealed, with the connection's MAC: sent or kept for later.
    std::vector<std::byte> Sealed(std::vector<std::byte> frame);
    bool SendBytes(std::span<const std::byte> bytes);
    // A sealed exchange of the area, and the relay's answer to it (nothing when none came).
    std::optional<RelayProtocol::Answer> Exchange(std::span<const std::byte> area);
    // The next body from the relay, still sealed; nothing when the connection closed or after timeoutMs.
    std::optional<std::vector<std::byte>> ReceiveBody(int timeoutMs);
    // Sends sealed exchanges of the area as a client that never reads its answers (its own receive
    // buffer made small) until the relay takes no more (nothing moved for 3 s, or the connection
    // closed): false when it still took them after `within`.
    bool SendExchangesUnread(std::span<const std::byte> area, std::chrono::milliseconds within);
    // Whether the relay closes the connection within timeoutMs, whatever it sends before.
    bool ClosedWithin(int timeoutMs);

private:
    Sockets::Handle socket = Sockets::invalid;
    RelayProtocol::FrameReader reader;
    RelayProtocol::Hello hello;
    RelayProtocol::Nonce clientNonce{};
    std::string secret;
    std::optional<FrameSeal> seal;
    bool greeted = false;
    bool closed = false;
    std::vector<std::byte> lastAnswer;
};

// Sends every byte, waiting while the socket's buffer is full: false on an error or after 3 s.
bool SendAll(Sockets::Handle socket, std::span<const std::byte> bytes);
// A request area laid out as a link lays it: the used bytes, end marker included.
std::vector<std::byte> PositionRequestArea();
// An area of exactly `size` bytes that no server would take: any size, even 0.
std::vector<std::byte> AreaOfSize(std::size_t size);
