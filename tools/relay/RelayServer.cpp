#include "tools/relay/RelayServer.h"

#include <algorithm>
#include <thread>

#include "simlink/IpcResult.h"
#include "simlink/tcp/RelayCrypto.h"
#include "tools/relay/CheckClientArea.h"

namespace {

std::span<const std::byte> Bytes(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

}  // namespace

RelayServer::RelayServer(RelaySettings relaySettings, IpcTransport& serverTransport)
    : settings(std::move(relaySettings)), sessions(serverTransport), scratchArea(RequestArea::capacity) {}

RelayServer::~RelayServer() {
    for (const auto& client : clients) {
        Sockets::Close(client->socket);
    }
    Sockets::Close(listener);
}

bool RelayServer::Listen(std::string& problem) {
    std::uint32_t error = 0;
    listener = Sockets::Listen(settings.address, settings.port, boundPort, error);
    if (listener == Sockets::invalid) {
        problem = "cannot listen on " + settings.address + ":" + std::to_string(settings.port) +
                  " (system error " + std::to_string(error) + ")";
        return false;
    }
    return true;
}

void RelayServer::Run(const std::atomic<bool>& stop) {
    std::vector<Sockets::Waiting> waiting;
    // A client that was just answered usually sends its next exchange within microseconds: for a
    // moment after any work the relay looks again without sleeping, which spares the wake-up of a
    // sleeping thread (as long again as a loopback exchange); yielding keeps the others running.
    constexpr auto keenWhile = std::chrono::microseconds(200);
    Clock::time_point lastWork{};
    while (!stop) {
        answered = false;
        waiting.assign(1, Sockets::Waiting{listener, true, false});
        bool backlog = false;
        for (const auto& client : clients) {
            // A client with answers still to take gets no new work until it has read them.
            const bool sending = !client->output.empty();
            waiting.push_back(Sockets::Waiting{client->socket, !sending, sending});
            backlog = backlog || (client->backlog && !sending);
        }
        const bool keen = Clock::now() - lastWork < keenWhile;
        const int ready = Sockets::Poll(waiting, backlog || keen ? 0 : 200);
        if (ready > 0) {
            lastWork = Clock::now();
        }
        const std::size_t known = clients.size();
        for (std::size_t i = 0; i < known; ++i) {
            Client& client = *clients[i];
            if (ready > 0 && waiting[i + 1].writable) {
                Flush(client);
            } else if (ready > 0 && waiting[i + 1].readable) {
                Receive(client);
            } else if (client.backlog && client.output.empty()) {
                HandleFrames(client);
            }
        }
        if (ready > 0 && waiting[0].readable) {
            Accept();
        }
        DropGoneAndIdle();
        connectionCount = clients.size();
        // A client just answered may be waiting on this processor: it gets it before another poll.
        if (answered || (keen && !backlog && ready <= 0)) {
            std::this_thread::yield();
        }
    }
}

void RelayServer::Accept() {
    // A few at a time, so that a flood of connections cannot starve the clients already served.
    for (int taken = 0; taken < 8; ++taken) {
        const Sockets::Handle socket = Sockets::Accept(listener);
        if (socket == Sockets::invalid) {
            return;
        }
        auto client = std::make_unique<Client>();
        client->socket = socket;
        if (!RelayCrypto::FillRandom(client->nonce)) {
            Sockets::Close(socket);
            continue;
        }
        MakeRoomForNew();
        client->connectedAt = client->lastActive = Clock::now();
        RelayProtocol::Hello hello;
        hello.secretRequired = !settings.secret.empty();
        hello.nonce = client->nonce;
        Queue(*client, RelayProtocol::EncodeHello(hello));
        clients.push_back(std::move(client));
    }
}

void RelayServer::MakeRoomForNew() {
    std::vector<Client*> waiting;
    for (const auto& client : clients) {
        if (!client->gone && !client->opened) {
            waiting.push_back(client.get());
        }
    }
    if (static_cast<int>(waiting.size()) >= settings.maxClients) {
        const auto oldest = std::min_element(
            waiting.begin(), waiting.end(),
            [](const Client* a, const Client* b) { return a->connectedAt < b->connectedAt; });
        (*oldest)->gone = true;
    }
}

void RelayServer::MakeRoomForOpened(const Client& opening) {
    std::vector<Client*> opened;
    for (const auto& client : clients) {
        if (!client->gone && client->opened && client.get() != &opening) {
            opened.push_back(client.get());
        }
    }
    if (static_cast<int>(opened.size()) >= settings.maxClients) {
        const auto idlest =
            std::min_element(opened.begin(), opened.end(),
                             [](const Client* a, const Client* b) { return a->lastActive < b->lastActive; });
        (*idlest)->gone = true;
    }
}

void RelayServer::DropGoneAndIdle() {
    const auto now = Clock::now();
    std::erase_if(clients, [&](const std::unique_ptr<Client>& client) {
        // Answers waiting for a client that does not read them keep it no less idle.
        const bool idle = now - client->lastActive > settings.idleLimit;
        // Counted from the connection, so that trickling bytes cannot hold a slot without opening.
        const bool unopened = !client->opened && now - client->connectedAt > settings.openingLimit;
        if (client->gone || idle || unopened) {
            Sockets::Close(client->socket);
            return true;
        }
        return false;
    });
}

void RelayServer::Receive(Client& client) {
    const long got = Sockets::Receive(client.socket, client.reader.Space());
    if (got < 0) {
        client.gone = true;
        return;
    }
    client.reader.Received(static_cast<std::size_t>(got));
    HandleFrames(client);
}

void RelayServer::HandleFrames(Client& client) {
    client.backlog = false;
    std::span<const std::byte> body;
    while (!client.gone && !client.closeWhenSent) {
        const auto status = client.reader.Next(body);
        if (status == RelayProtocol::FrameReader::Status::Incomplete) {
            return;
        }
        std::span<const std::byte> unsealed = body;
        if (status == RelayProtocol::FrameReader::Status::Malformed ||
            (client.seal && !client.seal->Check(body, unsealed))) {
            client.gone = true;
            return;
        }
        Handle(client, unsealed);
        if (unsealed[0] == static_cast<std::byte>(RelayProtocol::FrameType::Exchange)) {
            // The others get their turn before this client's next exchange.
            client.backlog = true;
            return;
        }
    }
}

void RelayServer::Handle(Client& client, std::span<const std::byte> body) {
    switch (static_cast<RelayProtocol::FrameType>(std::to_integer<std::uint8_t>(body[0]))) {
        case RelayProtocol::FrameType::Open:
            HandleOpen(client, body);
            return;
        case RelayProtocol::FrameType::Exchange:
            HandleExchange(client, body);
            return;
        default:
            client.gone = true;
            return;
    }
}

void RelayServer::HandleOpen(Client& client, std::span<const std::byte> body) {
    std::uint16_t asked = 0;
    RelayProtocol::Open open;
    if (!RelayProtocol::OpenVersion(body, asked)) {
        client.gone = true;
    } else if (asked != RelayProtocol::version && !client.seal) {
        Refuse(client, RelayProtocol::OpenStatus::WrongVersion, "",
               "this relay speaks protocol version " + std::to_string(RelayProtocol::version) +
                   ", the client version " + std::to_string(asked));
    } else if (!RelayProtocol::DecodeOpen(body, open) || asked != RelayProtocol::version) {
        client.gone = true;
    } else if (Proven(client, open)) {
        const bool found = sessions.Find(open.className);
        if (found) {
            MakeRoomForOpened(client);
            client.lastActive = Clock::now();
        }
        client.opened = found;
        client.windowClass = found ? open.className : std::string();
        RelayProtocol::Opened opened;
        opened.status = found ? RelayProtocol::OpenStatus::Found : RelayProtocol::OpenStatus::NoServerWindow;
        opened.className = open.className;
        if (!RelayProtocol::RelayProof(Bytes(settings.secret), client.nonce, client.firstOpen->nonce,
                                       opened.proof)) {
            client.gone = true;
            return;
        }
        std::vector<std::byte> frame = RelayProtocol::EncodeOpened(opened);
        Send(client, frame);
    }
}

// Whether the Open proves the secret: the first by its proof, which also sets up the connection's
// seal; a later one (after no window was found) arrived sealed and must repeat the first's nonce and
// proof. A failed first proof is refused; a later mismatch closes the connection.
bool RelayServer::Proven(Client& client, const RelayProtocol::Open& open) {
    if (client.firstOpen) {
        const bool same = open.nonce == client.firstOpen->nonce && open.proof == client.firstOpen->proof;
        client.gone = client.gone || !same;
        return same;
    }
    RelayProtocol::Proof expected;
    RelayProtocol::ConnectionKey key;
    if (!RelayProtocol::ClientProof(Bytes(settings.secret), client.nonce, open.nonce, expected) ||
        !RelayProtocol::FrameKey(Bytes(settings.secret), client.nonce, open.nonce, key)) {
        client.gone = true;
        return false;
    }
    if (!RelayProtocol::SameProof(open.proof, expected)) {
        Refuse(client, RelayProtocol::OpenStatus::Refused, open.className,
               "the proof of the secret is wrong: the two secret files differ");
        return false;
    }
    client.firstOpen = open;
    client.seal.emplace(key, FrameSeal::Direction::RelayToClient);
    return true;
}

// Answers an Open that cannot be served, unsealed (the client's key is unknown or unproven), then
// closes the connection.
void RelayServer::Refuse(Client& client, RelayProtocol::OpenStatus status, const std::string& className,
                         const std::string& reason) {
    RelayProtocol::Opened opened;
    opened.status = status;
    opened.className = className;
    opened.reason = reason;
    client.closeWhenSent = true;
    Queue(client, RelayProtocol::EncodeOpened(opened));
}

void RelayServer::HandleExchange(Client& client, std::span<const std::byte> body) {
    RelayProtocol::Exchange exchange;
    if (!client.opened || !RelayProtocol::DecodeExchange(body, exchange)) {
        client.gone = true;
        return;
    }
    client.lastActive = Clock::now();
    RelayProtocol::Answer answer;
    answer.number = exchange.number;
    if (!CheckClientArea(exchange.area, settings.allowWrites)) {
        answer.result = static_cast<std::uint32_t>(IpcResult::BadData);
    } else {
        const std::span<std::byte> area(scratchArea.data(), exchange.area.size());
        std::copy(exchange.area.begin(), exchange.area.end(), area.begin());
        answer = sessions.Exchange(client.windowClass, area);
        answer.number = exchange.number;
    }
    answerFrame = RelayProtocol::EncodeAnswer(answer, std::move(answerFrame));
    Send(client, answerFrame);
    answered = true;
}

void RelayServer::Send(Client& client, std::vector<std::byte>& frame) {
    if (!client.seal->Seal(frame)) {
        client.gone = true;
        return;
    }
    Queue(client, frame);
}

void RelayServer::Queue(Client& client, std::span<const std::byte> frame) {
    if (client.output.size() + frame.size() > mostPendingOutput) {
        client.gone = true;
        return;
    }
    if (client.output.empty()) {
        // Usually all of it goes at once, and nothing needs to wait in the output.
        const long sent = Sockets::Send(client.socket, frame);
        if (sent < 0) {
            client.gone = true;
            return;
        }
        frame = frame.subspan(static_cast<std::size_t>(sent));
    }
    client.output.insert(client.output.end(), frame.begin(), frame.end());
    Flush(client);
}

void RelayServer::Flush(Client& client) {
    while (!client.output.empty()) {
        const long sent = Sockets::Send(client.socket, client.output);
        if (sent < 0) {
            client.gone = true;
            return;
        }
        if (sent == 0) {
            return;
        }
        client.output.erase(client.output.begin(), client.output.begin() + sent);
    }
    if (client.closeWhenSent) {
        client.gone = true;
    }
}
