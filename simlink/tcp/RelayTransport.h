#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simlink/IpcTransport.h"
#include "simlink/tcp/FrameSeal.h"
#include "simlink/tcp/RelayProtocol.h"
#include "simlink/tcp/Sockets.h"

// The link's services through a relay that runs beside the simulator: the server window is found by
// the relay and named over a TCP connection, the request area lives in this process, and each send of
// the registered message carries the used area to the relay and its answered copy back. The relay is
// not trusted: it proves that it knows the secret, every frame after the first Open is sealed with a
// MAC of the connection, an answer comes back only into the area, where the link's own walk checks
// it, and an answer of the wrong length is bad data.
//
// A relay that fails its proof, a frame that fails its check, or a relay that cannot be spoken to
// (another protocol version, a secret asked for and not given) ends the link for good: every later
// call fails (a send with `refusedError`), and the reason goes to standard error once.
class RelayTransport final : public IpcTransport {
public:
    // The secret is empty when the relay needs none.
    RelayTransport(std::string host, std::uint16_t port, std::string secret);
    ~RelayTransport() override;
    RelayTransport(const RelayTransport&) = delete;
    RelayTransport& operator=(const RelayTransport&) = delete;

    ServerWindow FindServerWindow(const char* className) override;
    void ReleaseServerWindow(ServerWindow window) override;
    std::uint32_t RegisterMessage(const char* name) override;
    std::uint32_t ProcessId() override;

    std::uint16_t CreateAtom(const char* text) override;
    void ReleaseAtom(std::uint16_t atom) override;

    MappingOutcome CreateMapping(const char* name, std::uint32_t size) override;
    std::byte* MapView(MappingHandle mapping) override;
    void UnmapView(std::byte* view) override;
    void CloseMapping(MappingHandle mapping) override;

    SendOutcome SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                            std::uint32_t timeoutMs) override;

    // The relay waits on its server for one send's time; the link waits on the relay this much longer.
    static constexpr std::uint32_t relayMarginMs = 500;
    // The system error a send reports once the link has been refused (EBADMSG on Linux).
    static constexpr std::uint32_t refusedError = 74;

private:
    enum class Received { Frame, TimedOut, Lost };

    bool Connect(std::uint32_t& error);
    bool Greeted(const RelayProtocol::Hello& hello);
    RelayProtocol::OpenStatus OpenWindow(const std::string& className, std::uint32_t& error);
    RelayProtocol::OpenStatus Refused(std::span<const std::byte> body);
    bool RelayProven(const RelayProtocol::Opened& opened);
    void Disconnect();
    bool SendFrame(std::vector<std::byte>& frame, std::uint32_t& error);
    bool SendBare(std::span<const std::byte> frame, std::uint32_t& error);
    Received ReceiveFrame(int timeoutMs, std::span<const std::byte>& body, std::uint32_t& error);
    SendOutcome Outcome(const RelayProtocol::Answer& answer, std::size_t sentLength);
    void Refuse(const std::string& why);
    std::string Where() const;

    std::string host;
    std::uint16_t port;
    std::string secret;
    Sockets::Handle socket = Sockets::invalid;
    RelayProtocol::FrameReader reader;
    // The connection's handshake: the secret both ends use (empty for a relay on this machine that
    // asks for none), both nonces, and the seal once the first Open has gone out.
    std::string connectionSecret;
    RelayProtocol::Nonce relayNonce{};
    RelayProtocol::Nonce clientNonce{};
    std::optional<FrameSeal> seal;
    bool firstOpenSent = false;
    std::string windowClass;  // the class the relay found, opened again after a reconnection
    std::uint32_t exchangeNumber = 0;
    std::vector<std::byte> area;
    std::vector<std::byte> outgoing;  // the storage of each exchange's frame, kept between them
    std::string refusal;              // why the link was refused for good; empty while it may go on
};
