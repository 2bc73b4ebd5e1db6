#include "tests/unit/relay/RawRelayClient.h"

#include <sys/socket.h>

#include <chrono>

#include "simlink/AircraftPosition.h"
#include "simlink/RequestArea.h"
#include "simlink/tcp/RelayCrypto.h"

namespace {

std::span<const std::byte> Bytes(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

}  // namespace

RawRelayClient::RawRelayClient(std::uint16_t port) {
    std::uint32_t error = 0;
    socket = Sockets::Connect("127.0.0.1", port, 2000, error);
    const auto body = ReceiveBody(2000);
    greeted = body && RelayProtocol::DecodeHello(*body, hello) && RelayCrypto::FillRandom(clientNonce);
}

RawRelayClient::~RawRelayClient() {
    Sockets::Close(socket);
}

std::optional<RelayProtocol::Opened> RawRelayClient::Open(const std::string& openSecret,
                                                          const std::string& className) {
    secret = openSecret;
    RelayProtocol::Open open;
    open.nonce = clientNonce;
    open.className = className;
    RelayProtocol::ConnectionKey key;
    RelayProtocol::ClientProof(Bytes(secret), hello.nonce, clientNonce, open.proof);
    RelayProtocol::FrameKey(Bytes(secret), hello.nonce, clientNonce, key);
    seal.emplace(key, FrameSeal::Direction::ClientToRelay);
    const auto frame = RelayProtocol::EncodeOpen(open);
    const auto body = SendBytes(frame) ? ReceiveBody(3000) : std::nullopt;
    RelayProtocol::Opened opened;
    if (body && RelayProtocol::IsRefusal(*body)) {
        return RelayProtocol::DecodeOpened(*body, opened) ? std::optional(opened) : std::nullopt;
    }
    std::span<const std::byte> unsealed;
    RelayProtocol::Proof expected;
    RelayProtocol::RelayProof(Bytes(secret), hello.nonce, clientNonce, expected);
    if (!body || !seal->Check(*body, unsealed) || !RelayProtocol::DecodeOpened(unsealed, opened) ||
        !RelayProtocol::SameProof(opened.proof, expected)) {
        return std::nullopt;
    }
    return opened;
}

std::vector<std::byte> RawRelayClient::Sealed(std::vector<std::byte> frame) {
    seal->Seal(frame);
    return frame;
}

bool RawRelayClient::SendBytes(std::span<const std::byte> bytes) {
    return SendAll(socket, bytes);
}

bool SendAll(Sockets::Handle socket, std::span<const std::byte> bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!bytes.empty() && std::chrono::steady_clock::now() < deadline) {
        const long sent = Sockets::Send(socket, bytes);
        if (sent < 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(sent));
        if (sent == 0) {
            std::vector<Sockets::Waiting> one{Sockets::Waiting{socket, false, true}};
            Sockets::Poll(one, 100);
        }
    }
    return bytes.empty();
}

std::optional<RelayProtocol::Answer> RawRelayClient::Exchange(std::span<const std::byte> area) {
    static std::uint32_t number = 0;
    const auto body =
        SendBytes(Sealed(RelayProtocol::EncodeExchange(++number, area))) ? ReceiveBody(3000) : std::nullopt;
    std::span<const std::byte> unsealed;
    RelayProtocol::Answer answer;
    if (!body || !seal->Check(*body, unsealed)) {
        return std::nullopt;
    }
    lastAnswer.assign(unsealed.begin(), unsealed.end());
    return RelayProtocol::DecodeAnswer(lastAnswer, answer) ? std::optional(answer) : std::nullopt;
}

std::optional<std::vector<std::byte>> RawRelayClient::ReceiveBody(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!closed) {
        std::span<const std::byte> body;
        const auto status = reader.Next(body);
        if (status == RelayProtocol::FrameReader::Status::Complete) {
            return std::vector<std::byte>(body.begin(), body.end());
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::vector<Sockets::Waiting> one{Sockets::Waiting{socket, true, false}};
        if (status == RelayProtocol::FrameReader::Status::Malformed || left.count() <= 0 ||
            Sockets::Poll(one, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        const long got = Sockets::Receive(socket, reader.Space());
        closed = got < 0;
        reader.Received(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    return std::nullopt;
}

bool RawRelayClient::SendExchangesUnread(std::span<const std::byte> area, std::chrono::milliseconds within) {
    const int small = 4096;
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    const auto until = std::chrono::steady_clock::now() + within;
    for (std::uint32_t number = 1; std::chrono::steady_clock::now() < until; ++number) {
        if (!SendAll(socket, Sealed(RelayProtocol::EncodeExchange(number, area)))) {
            return true;
        }
    }
    return false;
}

bool RawRelayClient::ClosedWithin(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!closed && std::chrono::steady_clock::now() < deadline) {
        reader = RelayProtocol::FrameReader();  // what came before does not matter
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        std::vector<Sockets::Waiting> one{Sockets::Waiting{socket, true, false}};
        if (Sockets::Poll(one, static_cast<int>(std::max<long>(left.count(), 0))) > 0) {
            closed = Sockets::Receive(socket, reader.Space()) < 0;
        }
    }
    return closed;
}

std::vector<std::byte> PositionRequestArea() {
    std::vector<std::byte> area(RequestArea::areaSize);
    std::uint32_t used = RequestArea::PutRead(area.data(), AircraftPosition::latitudeOffset, 8, 1);
    used += RequestArea::PutRead(area.data() + used, AircraftPosition::longitudeOffset, 8, 2);
    RequestArea::PutEndMarker(area.data() + used);
    area.resize(used + RequestArea::endMarkerSize);
    return area;
}

std::vector<std::byte> AreaOfSize(std::size_t size) {
    return std::vector<std::byte>(size, std::byte{0x55});
}
