#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simlink/IpcTransport.h"
#include "simlink/tcp/FrameSeal.h"
#include "simlink/tcp/RelayProtocol.h"
#include "simlink/tcp/Sockets.h"
#include "tools/relay/ServerSessions.h"

// What the relay serves with: where it listens, the shared secret (empty: none asked), whether
// clients may write offsets, and its bounds on connections and idle time.
struct RelaySettings {
    std::string address = "127.0.0.1";
    std::uint16_t port = 0;
    std::string secret;
    bool allowWrites = false;
    int maxClients = 32;
    std::chrono::milliseconds idleLimit{120000};
    // A connection that has not opened a window within this time is closed; bytes that make no frame,
    // and Opens that find no window, do not extend it.
    std::chrono::milliseconds openingLimit{10000};
};

// The relay: accepts TCP clients, greets each with a fresh nonce, checks its proof of the secret and
// proves its own, finds the server window it asks for, and carries each checked request area to the
// server and the answered area back, every frame after the first Open sealed with the connection's
// MAC. One client's failure (a bad or forged frame, a refused area, a lost connection) closes or
// answers that client only.
//
// Connections that have opened a window and those that have not yet are bounded apart, each by
// maxClients: a new connection pushes out the oldest one that has not opened a window, and a
// connection that opens one pushes out the longest idle opened one. So connections that never prove
// anything cannot push out a proven one.
class RelayServer {
public:
    RelayServer(RelaySettings settings, IpcTransport& serverTransport);
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    bool Listen(std::string& problem);
    std::uint16_t Port() const { return boundPort; }

    // Serves until `stop` is set, looking at it at least every 200 ms.
    void Run(const std::atomic<bool>& stop);
    // The connections kept after Run's last turn, for whoever watches the relay from another thread.
    std::size_t ConnectionCount() const { return connectionCount; }

    // A client that does not read its answers is closed once this much waits for it.
    static constexpr std::size_t mostPendingOutput =
        4 * (RelayProtocol::lengthSize + RelayProtocol::longestBody);

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        Sockets::Handle socket = Sockets::invalid;
        RelayProtocol::FrameReader reader;
        RelayProtocol::Nonce nonce{};                  // the relay's
        std::optional<RelayProtocol::Open> firstOpen;  // the client's nonce and proof
        std::optional<FrameSeal> seal;                 // from the first Open on
        std::vector<std::byte> output;
        bool opened = false;         // proved the secret and found a window
        std::string windowClass;     // the window found for it; empty: none
        bool closeWhenSent = false;  // refused: the last answer goes out, then the connection closes
        bool gone = false;
        bool backlog = false;  // frames may wait in the reader: one exchange per client per turn
        Clock::time_point connectedAt;
        Clock::time_point lastActive;  // the last frame that opened a window or asked for an exchange
    };

    void Accept();
    void MakeRoomForNew();
    void MakeRoomForOpened(const Client& opening);
    void Receive(Client& client);
    void HandleFrames(Client& client);
    void Handle(Client& client, std::span<const std::byte> body);
    void HandleOpen(Client& client, std::span<const std::byte> body);
    bool Proven(Client& client, const RelayProtocol::Open& open);
    void Refuse(Client& client, RelayProtocol::OpenStatus status, const std::string& className,
                const std::string& reason);
    void HandleExchange(Client& client, std::span<const std::byte> body);
    void Send(Client& client, std::vector<std::byte>& frame);
    void Queue(Client& client, std::span<const std::byte> frame);
    void Flush(Client& client);
    void DropGoneAndIdle();

    RelaySettings settings;
    ServerSessions sessions;
    Sockets::Handle listener = Sockets::invalid;
    std::uint16_t boundPort = 0;
    std::vector<std::unique_ptr<Client>> clients;
    std::atomic<std::size_t> connectionCount{0};
    std::vector<std::byte> scratchArea;
    std::vector<std::byte> answerFrame;  // the storage of each answer's frame, kept between them
    bool answered = false;               // an exchange was answered in this turn
};
