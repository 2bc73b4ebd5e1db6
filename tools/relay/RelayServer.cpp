#include "tools/relay/RelayServer.h"

#include <algorithm>
#include <random>

#include "simlink/IpcResult.h"
#include "tools/relay/CheckClientArea.h"

namespace {

RelayProtocol::Nonce FreshNonce() {
    static std::random_device entropy;
    RelayProtocol::Nonce nonce;
    for (std::size_t i = 0; i < nonce.size(); i += 4) {
        const unsigned value = entropy();
        for (std::size_t j = 0; j < 4; ++j) {
            nonce[i + j] = static_cast<std::byte>(value >> (8 * j));
        }
    }
    return nonce;
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
        problem = "cannot listen on " + settings.address + ":" + std::to_string(settings.port) + " (system error " +
                  std::to_string(error) + ")";
        return false;
    }
    return true;
}

void RelayServer::Run(const std::atomic<bool>& stop) {
    std::vector<Sockets::Waiting> waiting;
    while (!stop) {
        waiting.assign(1, Sockets::Waiting{listener, true, false});
        bool backlog = false;
        for (const auto& client : clients) {
            // A client with answers still to take gets no new work until it has read them.
            const bool sending = !client->output.empty();
            waiting.push_back(Sockets::Waiting{client->socket, !sending, sending});
            backlog = backlog || (client->backlog && !sending);
        }
        const int ready = Sockets::Poll(waiting, backlog ? 0 : 200);
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
    }
}

void RelayServer::Accept() {
    // A few at a time, so that a flood of connections cannot starve the clients already served.
    for (int taken = 0; taken < 8; ++taken) {
        const Sockets::Handle socket = Sockets::Accept(listener);
        if (socket == Sockets::invalid) {
            return;
        }
        MakeRoom();
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->nonce = FreshNonce();
        client->connectedAt = client->lastActive = Clock::now();
        RelayProtocol::Hello hello;
        hello.secretRequired = !settings.secret.empty();
        hello.nonce = client->nonce;
        Queue(*client, RelayProtocol::EncodeHello(hello));
        clients.push_back(std::move(client));
        Flush(*clients.back());
    }
}

void RelayServer::MakeRoom() {
    DropGoneAndIdle();
    while (static_cast<int>(clients.size()) >= settings.maxClients) {
        const auto idlest = std::min_element(clients.begin(), clients.end(), [](const auto& a, const auto& b) {
            return a->lastActive < b->lastActive;
        });
        Sockets::Close((*idlest)->socket);
        clients.erase(idlest);
    }
}

void RelayServer::DropGoneAndIdle() {
    const auto now = Clock::now();
    std::erase_if(clients, [&](const std::unique_ptr<Client>& client) {
        const bool idle = client->output.empty() && now - client->lastActive > settings.idleLimit;
        // Counted from the connection, so that trickling bytes cannot hold a slot without opening.
        const bool unopened = !client->opened && now - client->connectedAt > openingLimit;
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
    client.lastActive = Clock::now();
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
        if (status == RelayProtocol::FrameReader::Status::Malformed) {
            client.gone = true;
            return;
        }
        Handle(client, body);
        if (body[0] == static_cast<std::byte>(RelayProtocol::FrameType::Exchange)) {
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
    RelayProtocol::Open open;
    if (!RelayProtocol::DecodeOpen(body, open)) {
        client.gone = true;
        return;
    }
    RelayProtocol::Opened opened;
    opened.className = open.className;
    const bool proven = settings.secret.empty() ||
                        RelayProtocol::SameProof(open.proof, RelayProtocol::ProofFor(std::as_bytes(std::span(settings.secret)),
                                                                                     client.nonce));
    if (open.version != RelayProtocol::version) {
        opened.status = RelayProtocol::OpenStatus::WrongVersion;
        client.closeWhenSent = true;
    } else if (!proven) {
        opened.status = RelayProtocol::OpenStatus::Refused;
        client.closeWhenSent = true;
    } else {
        client.opened = true;
        const bool found = sessions.Find(open.className);
        opened.status = found ? RelayProtocol::OpenStatus::Found : RelayProtocol::OpenStatus::NoServerWindow;
        client.windowClass = found ? open.className : std::string();
    }
    Queue(client, RelayProtocol::EncodeOpened(opened));
}

void RelayServer::HandleExchange(Client& client, std::span<const std::byte> body) {
    RelayProtocol::Exchange exchange;
    if (!client.opened || client.windowClass.empty() || !RelayProtocol::DecodeExchange(body, exchange)) {
        client.gone = true;
        return;
    }
    RelayProtocol::Answer answer;
    answer.sequence = exchange.sequence;
    if (!CheckClientArea(exchange.area, settings.allowWrites)) {
        answer.result = static_cast<std::uint32_t>(IpcResult::BadData);
    } else {
        const std::span<std::byte> area(scratchArea.data(), exchange.area.size());
        std::copy(exchange.area.begin(), exchange.area.end(), area.begin());
        answer = sessions.Exchange(client.windowClass, area);
        answer.sequence = exchange.sequence;
    }
    Queue(client, RelayProtocol::EncodeAnswer(answer));
}

void RelayServer::Queue(Client& client, const std::vector<std::byte>& frame) {
    if (client.output.size() + frame.size() > mostPendingOutput) {
        client.gone = true;
        return;
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
