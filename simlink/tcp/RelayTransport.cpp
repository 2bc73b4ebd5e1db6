#include "simlink/tcp/RelayTransport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "simlink/IpcLink.h"
#include "simlink/IpcResult.h"
#include "simlink/tcp/RelayCrypto.h"
#include "simlink/tcp/RelayIpcLinkMaker.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::uint32_t invalidArgument = 22;
constexpr std::uint32_t protocolError = 71;
// Any non-zero id: the relay registers the real message with its own system.
constexpr std::uint32_t relayedMessage = 0xC0DE;
constexpr std::uint16_t relayedAtom = 0xC001;
constexpr MappingHandle localArea = 1;
constexpr ServerWindow relayedWindow = 1;

// A relay on the same machine or network answers within tens of microseconds. Waiting for that
// busily, for a moment, spares the wake-up of a sleeping thread, which costs as much again. Each look
// comes after a yield: the answer is never there at once, and a relay that shares this processor
// gets it one receive sooner.
long AwaitBriefly(Sockets::Handle socket, std::span<std::byte> into) {
    const auto until = SteadyClock::now() + std::chrono::microseconds(200);
    do {
        std::this_thread::yield();
        const long got = Sockets::Receive(socket, into);
        if (got != 0) {
            return got;
        }
    } while (SteadyClock::now() < until);
    return 0;
}

std::span<const std::byte> Bytes(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

int MillisecondsLeft(SteadyClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

RelayTransport::RelayTransport(std::string relayHost, std::uint16_t relayPort, std::string relaySecret)
    : host(std::move(relayHost)), port(relayPort), secret(std::move(relaySecret)) {}

RelayTransport::~RelayTransport() {
    Disconnect();
}

void RelayTransport::Disconnect() {
    Sockets::Close(socket);
    socket = Sockets::invalid;
    reader = RelayProtocol::FrameReader();
    seal.reset();
    firstOpenSent = false;
}

std::string RelayTransport::Where() const {
    return "the relay at " + host + ":" + std::to_string(port);
}

void RelayTransport::Refuse(const std::string& why) {
    if (refusal.empty()) {
        std::fprintf(stderr, "grovewright: %s\n", why.c_str());
        std::fflush(stderr);
        refusal = why;
    }
    Disconnect();
}

bool RelayTransport::Connect(std::uint32_t& error) {
    Disconnect();
    const int waitMs = static_cast<int>(IpcLink::sendTimeoutMs + relayMarginMs);
    socket = Sockets::Connect(host, port, waitMs, error);
    if (socket == Sockets::invalid) {
        return false;
    }
    std::span<const std::byte> body;
    std::uint16_t spoken = 0;
    RelayProtocol::Hello hello;
    if (ReceiveFrame(waitMs, body, error) != Received::Frame || !RelayProtocol::HelloVersion(body, spoken)) {
        error = error != 0 ? error : protocolError;
        Disconnect();
        return false;
    }
    // Another version's greeting may be laid out otherwise: its version alone is enough to refuse it.
    if (spoken != RelayProtocol::version) {
        Refuse(Where() + " speaks relay protocol version " + std::to_string(spoken) +
               ", this Grovewright version " + std::to_string(RelayProtocol::version) +
               ": use a relay of the same release");
        error = refusedError;
        return false;
    }
    if (!RelayProtocol::DecodeHello(body, hello)) {
        error = protocolError;
        Disconnect();
        return false;
    }
    if (!Greeted(hello)) {
        error = refusedError;
        return false;
    }
    return true;
}

// Whether this link can speak to the relay that sent the greeting; if so, sets up the handshake.
bool RelayTransport::Greeted(const RelayProtocol::Hello& hello) {
    if (hello.secretRequired && secret.empty()) {
        Refuse(Where() + " asks for the secret: name its file with --relay-secret-file or in " +
               std::string(relaySecretVariable));
        return false;
    }
    // A relay beyond this machine always has a secret; one that claims none could be anybody.
    if (!hello.secretRequired && !Sockets::PeerIsLoopback(socket)) {
        Refuse(Where() +
               " is not on this machine and asks for no secret, so it cannot prove itself: refused");
        return false;
    }
    connectionSecret = hello.secretRequired ? secret : std::string();
    relayNonce = hello.nonce;
    if (!RelayCrypto::FillRandom(clientNonce)) {
        Refuse("no random numbers for the relay's handshake");
        return false;
    }
    return true;
}

RelayProtocol::OpenStatus RelayTransport::OpenWindow(const std::string& className, std::uint32_t& error) {
    RelayProtocol::Open open;
    open.className = className;
    open.nonce = clientNonce;
    RelayProtocol::ConnectionKey key;
    if (!RelayProtocol::ClientProof(Bytes(connectionSecret), relayNonce, clientNonce, open.proof) ||
        !RelayProtocol::FrameKey(Bytes(connectionSecret), relayNonce, clientNonce, key)) {
        Refuse("the crypto library failed in the relay's handshake");
        return RelayProtocol::OpenStatus::Refused;
    }
    std::vector<std::byte> frame = RelayProtocol::EncodeOpen(open);
    const bool first = !firstOpenSent;
    if (first) {
        seal.emplace(key, FrameSeal::Direction::ClientToRelay);
    }
    std::span<const std::byte> body;
    RelayProtocol::Opened opened;
    std::span<const std::byte> unsealed;
    const int waitMs = static_cast<int>(IpcLink::sendTimeoutMs + relayMarginMs);
    // The first Open goes out bare: the relay learns the client's nonce from it.
    const bool sent = first ? SendBare(frame, error) : SendFrame(frame, error);
    firstOpenSent = true;
    if (!sent || ReceiveFrame(waitMs, body, error) != Received::Frame) {
        error = error != 0 ? error : protocolError;
        Disconnect();
        return RelayProtocol::OpenStatus::Refused;
    }
    if (RelayProtocol::IsRefusal(body)) {
        error = refusedError;
        return Refused(body);
    }
    if (!seal->Check(body, unsealed) || !RelayProtocol::DecodeOpened(unsealed, opened) ||
        opened.className != className || !RelayProven(opened)) {
        Refuse(Where() +
               " could not prove that it knows the secret (or its answer was changed on the way): refused");
        error = refusedError;
        return RelayProtocol::OpenStatus::Refused;
    }
    if (opened.status == RelayProtocol::OpenStatus::Found) {
        windowClass = className;
    }
    return opened.status;
}

RelayProtocol::OpenStatus RelayTransport::Refused(std::span<const std::byte> body) {
    RelayProtocol::Opened opened;
    if (!RelayProtocol::DecodeOpened(body, opened)) {
        Disconnect();
        return RelayProtocol::OpenStatus::Refused;
    }
    Refuse(Where() + " refused the link: " + opened.reason);
    return opened.status;
}

bool RelayTransport::RelayProven(const RelayProtocol::Opened& opened) {
    RelayProtocol::Proof expected;
    return RelayProtocol::RelayProof(Bytes(connectionSecret), relayNonce, clientNonce, expected) &&
           RelayProtocol::SameProof(opened.proof, expected);
}

ServerWindow RelayTransport::FindServerWindow(const char* className) {
    std::uint32_t error = 0;
    if (!refusal.empty() || !RelayProtocol::IsClassName(className) ||
        (socket == Sockets::invalid && !Connect(error))) {
        return 0;
    }
    return OpenWindow(className, error) == RelayProtocol::OpenStatus::Found ? relayedWindow : 0;
}

void RelayTransport::ReleaseServerWindow(ServerWindow) {
    // The relay keeps a connection's slot for as long as it lasts; a closed link gives it back.
    Disconnect();
    windowClass.clear();
}

std::uint32_t RelayTransport::RegisterMessage(const char*) {
    return relayedMessage;
}

// The area lives in this process only, so its name needs no process id to be unique.
std::uint32_t RelayTransport::ProcessId() {
    return 1;
}

std::uint16_t RelayTransport::CreateAtom(const char* text) {
    return text != nullptr && *text != 0 ? relayedAtom : 0;
}

void RelayTransport::ReleaseAtom(std::uint16_t) {}

MappingOutcome RelayTransport::CreateMapping(const char*, std::uint32_t size) {
    area.assign(size, std::byte{0});
    return MappingOutcome{localArea, false};
}

std::byte* RelayTransport::MapView(MappingHandle mapping) {
    return mapping == localArea && !area.empty() ? area.data() : nullptr;
}

void RelayTransport::UnmapView(std::byte*) {}

void RelayTransport::CloseMapping(MappingHandle) {
    area.clear();
}

bool RelayTransport::SendFrame(std::vector<std::byte>& frame, std::uint32_t& error) {
    if (!seal->Seal(frame)) {
        Refuse("the crypto library failed to seal a frame for the relay");
        error = refusedError;
        return false;
    }
    return SendBare(frame, error);
}

bool RelayTransport::SendBare(std::span<const std::byte> frame, std::uint32_t& error) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(IpcLink::sendTimeoutMs);
    std::span<const std::byte> rest(frame);
    while (!rest.empty()) {
        const long sent = Sockets::Send(socket, rest);
        if (sent < 0) {
            error = Sockets::LastError();
            return false;
        }
        rest = rest.subspan(static_cast<std::size_t>(sent));
        if (sent == 0) {
            std::vector<Sockets::Waiting> one{Sockets::Waiting{socket, false, true}};
            if (MillisecondsLeft(deadline) == 0 || Sockets::Poll(one, MillisecondsLeft(deadline)) < 0) {
                error = protocolError;
                return false;
            }
        }
    }
    return true;
}

RelayTransport::Received RelayTransport::ReceiveFrame(int timeoutMs, std::span<const std::byte>& body,
                                                      std::uint32_t& error) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        switch (reader.Next(body)) {
            case RelayProtocol::FrameReader::Status::Complete:
                return Received::Frame;
            case RelayProtocol::FrameReader::Status::Malformed:
                error = protocolError;
                return Received::Lost;
            case RelayProtocol::FrameReader::Status::Incomplete:
                break;
        }
        long got = AwaitBriefly(socket, reader.Space());
        if (got == 0) {
            std::vector<Sockets::Waiting> one{Sockets::Waiting{socket, true, false}};
            const int left = MillisecondsLeft(deadline);
            if (left == 0 || Sockets::Poll(one, left) == 0) {
                return Received::TimedOut;
            }
            got = Sockets::Receive(socket, reader.Space());
        }
        if (got < 0) {
            error = Sockets::LastError();
            return Received::Lost;
        }
        reader.Received(static_cast<std::size_t>(got));
    }
}

SendOutcome RelayTransport::SendRequest(ServerWindow window, std::uint32_t, std::uint16_t,
                                        std::uint32_t timeoutMs) {
    const std::size_t used = RelayProtocol::UsedAreaLength(area);
    if (window != relayedWindow || used == 0) {
        return SendOutcome{false, 0, invalidArgument};
    }
    if (!refusal.empty()) {
        return SendOutcome{false, 0, refusedError};
    }
    std::uint32_t error = 0;
    if (socket == Sockets::invalid) {
        // The relay went away since the last send; it may be back.
        if (!Connect(error) || OpenWindow(windowClass, error) != RelayProtocol::OpenStatus::Found) {
            return SendOutcome{false, 0, error != 0 ? error : protocolError};
        }
    }
    const std::uint32_t sent = ++exchangeNumber;
    outgoing = RelayProtocol::EncodeExchange(sent, std::span(area).first(used), std::move(outgoing));
    if (!SendFrame(outgoing, error)) {
        Disconnect();
        return SendOutcome{false, 0, error};
    }
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs + relayMarginMs);
    for (;;) {
        std::span<const std::byte> body;
        const Received received = ReceiveFrame(MillisecondsLeft(deadline), body, error);
        if (received == Received::TimedOut) {
            // The answer may still come and is then skipped by its number.
            return SendOutcome{false, 0, 0};
        }
        if (received == Received::Lost) {
            Disconnect();
            return SendOutcome{false, 0, error != 0 ? error : protocolError};
        }
        std::span<const std::byte> unsealed;
        RelayProtocol::Answer answer;
        if (!seal->Check(body, unsealed)) {
            Refuse("a frame from " + Where() +
                   " failed its check (changed, repeated, out of order or from another connection): link "
                   "closed");
            return SendOutcome{false, 0, refusedError};
        }
        if (!RelayProtocol::DecodeAnswer(unsealed, answer)) {
            Disconnect();
            return SendOutcome{false, 0, protocolError};
        }
        if (answer.number == sent) {
            return Outcome(answer, used);
        }
    }
}

SendOutcome RelayTransport::Outcome(const RelayProtocol::Answer& answer, std::size_t sentLength) {
    switch (static_cast<IpcResult>(answer.result)) {
        case IpcResult::Okay:
            if (answer.area.size() != sentLength) {
                return SendOutcome{true, 0, 0};  // bad data
            }
            std::copy(answer.area.begin(), answer.area.end(), area.begin());
            return SendOutcome{true, answer.serverAnswer, 0};
        case IpcResult::TimedOut:
            return SendOutcome{false, 0, 0};
        case IpcResult::SendFailed:
            return SendOutcome{false, 0, answer.lastError != 0 ? answer.lastError : protocolError};
        default:
            return SendOutcome{true, 0, 0};  // refused by the relay: bad data
    }
}
