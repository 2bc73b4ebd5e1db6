#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simlink/IpcTransport.h"
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
};

// The relay: accepts TCP clients, greets each with a fresh nonce, checks its secret's proof, finds
// the server window it asks for, and carries each checked request area to the server and the
// answered area back. One client's failure (a bad frame, a refused area, a lost connection) closes
// or answers that client only; when the connections are all taken, the longest idle one makes room.
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

    // A connection that has not opened a window within this time is closed.
    static constexpr std::chrono::milliseconds openingLimit{10000};
    // A client that does not read its answers is closed once this much waits for it.
    static constexpr std::size_t mostPendingOutput = 4 * (RelayProtocol::lengthSize + RelayProtocol::longestBody);

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        Sockets::Handle socket = Sockets::invalid;
        RelayProtocol::FrameReader reader;
        RelayProtocol::Nonce nonce{};
        std::vector<std::byte> output;
        bool opened = false;         // proved the secret and opened a window
        std::string windowClass;     // the window found for it; empty: none
        bool closeWhenSent = false;  // refused: the last answer goes out, then the connection closes
        bool gone = false;
        bool backlog = false;  // frames may wait in the reader: one exchange per client per turn
        Clock::time_point connectedAt;
        Clock::time_point lastActive;
    };

    void Accept();
    void MakeRoom();
    void Receive(Client& client);
    void HandleFrames(Client& client);
    void Handle(Client& client, std::span<const std::byte> body);
    void HandleOpen(Client& client, std::span<const std::byte> body);
    void HandleExchange(Client& client, std::span<const std::byte> body);
    void Queue(Client& client, const std::vector<std::byte>& frame);
    void Flush(Client& client);
    void DropGoneAndIdle();

    RelaySettings settings;
    ServerSessions sessions;
    Sockets::Handle listener = Sockets::invalid;
    std::uint16_t boundPort = 0;
    std::vector<std::unique_ptr<Client>> clients;
    std::vector<std::byte> scratchArea;
};
