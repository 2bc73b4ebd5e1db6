#include "simlink/tcp/RelayTransport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "simlink/IpcLink.h"
#include "simlink/IpcResult.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

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
// busily, for a moment, spares the wake-up of a sleeping thread, which costs as much again; yielding
// keeps a relay that shares this processor running.
long AwaitBriefly(Sockets::Handle socket, std::span<std::byte> into) {
    const auto until = SteadyClock::now() + std::chrono::microseconds(200);
    do {
        const long got = Sockets::Receive(socket, into);
        if (got != 0) {
            return got;
        }
        std::this_thread::yield();
    } while (SteadyClock::now() < until);
    return 0;
}

int MillisecondsLeft(SteadyClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

RelayTransport::RelayTransport(std::string relayHost, std::uint16_t relayPort, std::string relaySecret)
    : host(std::move(relayHost)), port(relayPort), secret(std::move(relaySecret)) {}

RelayTransport::~RelayTransport() { Disconnect(); }

void RelayTransport::Disconnect() {
    Sockets::Close(socket);
    socket = Sockets::invalid;
    reader = RelayProtocol::FrameReader();
}

bool RelayTransport::Connect(std::uint32_t& error) {
    Disconnect();
    const int waitMs = static_cast<int>(IpcLink::sendTimeoutMs + relayMarginMs);
    socket = Sockets::Connect(host, port, waitMs, error);
    if (socket == Sockets::invalid) {
        return false;
    }
    std::span<const std::byte> body;
    RelayProtocol::Hello hello;
    if (ReceiveFrame(waitMs, body, error) != Received::Frame || !RelayProtocol::DecodeHello(body, hello) ||
        hello.version != RelayProtocol::version || (hello.secretRequired && secret.empty())) {
        error = error != 0 ? error : protocolError;
        Disconnect();
        return false;
    }
    nonce = hello.nonce;
    return true;
}

RelayProtocol::OpenStatus RelayTransport::OpenWindow(const std::string& className, std::uint32_t& error) {
    RelayProtocol::Open open;
    open.className = className;
    if (!secret.empty()) {
        open.proof = RelayProtocol::ProofFor(std::as_bytes(std::span(secret.data(), secret.size())), nonce);
    }
    std::span<const std::byte> body;
    RelayProtocol::Opened opened;
    const int waitMs = static_cast<int>(IpcLink::sendTimeoutMs + relayMarginMs);
    if (!SendFrame(RelayProtocol::EncodeOpen(open), error) || ReceiveFrame(waitMs, body, error) != Received::Frame ||
        !RelayProtocol::DecodeOpened(body, opened) || opened.className != className) {
        error = error != 0 ? error : protocolError;
        Disconnect();
        return RelayProtocol::OpenStatus::Refused;
    }
    if (opened.status == RelayProtocol::OpenStatus::Found) {
        windowClass = className;
    } else if (opened.status != RelayProtocol::OpenStatus::NoServerWindow) {
        Disconnect();
    }
    return opened.status;
}

ServerWindow RelayTransport::FindServerWindow(const char* className) {
    std::uint32_t error = 0;
    if (!RelayProtocol::IsClassName(className) || (socket == Sockets::invalid && !Connect(error))) {
        return 0;
    }
    return OpenWindow(className, error) == RelayProtocol::OpenStatus::Found ? relayedWindow : 0;
}

void RelayTransport::ReleaseServerWindow(ServerWindow) {
    // The relay keeps a connection's slot for as long as it lasts; a closed link gives it back.
    Disconnect();
    windowClass.clear();
}

std::uint32_t RelayTransport::RegisterMessage(const char*) { return relayedMessage; }

std::uint32_t RelayTransport::ProcessId() { return static_cast<std::uint32_t>(getpid()); }

std::uint16_t RelayTransport::CreateAtom(const char* text) { return text != nullptr && *text != 0 ? relayedAtom : 0; }

void RelayTransport::ReleaseAtom(std::uint16_t) {}

MappingOutcome RelayTransport::CreateMapping(const char*, std::uint32_t size) {
    area.assign(size, std::byte{0});
    return MappingOutcome{localArea, false};
}

std::byte* RelayTransport::MapView(MappingHandle mapping) {
    return mapping == localArea && !area.empty() ? area.data() : nullptr;
}

void RelayTransport::UnmapView(std::byte*) {}

void RelayTransport::CloseMapping(MappingHandle) { area.clear(); }

bool RelayTransport::SendFrame(const std::vector<std::byte>& frame, std::uint32_t& error) {
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

SendOutcome RelayTransport::SendRequest(ServerWindow window, std::uint32_t, std::uint16_t, std::uint32_t timeoutMs) {
    const std::size_t used = RelayProtocol::UsedAreaLength(area);
    if (window != relayedWindow || used == 0) {
        return SendOutcome{false, 0, invalidArgument};
    }
    std::uint32_t error = 0;
    if (socket == Sockets::invalid) {
        // The relay went away since the last send; it may be back.
        if (!Connect(error)) {
            return SendOutcome{false, 0, error != 0 ? error : protocolError};
        }
        if (OpenWindow(windowClass, error) != RelayProtocol::OpenStatus::Found) {
            return SendOutcome{false, 0, error != 0 ? error : protocolError};
        }
    }
    const std::uint32_t sent = ++sequence;
    if (!SendFrame(RelayProtocol::EncodeExchange(sent, std::span(area).first(used)), error)) {
        Disconnect();
        return SendOutcome{false, 0, error};
    }
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs + relayMarginMs);
    for (;;) {
        std::span<const std::byte> body;
        const Received received = ReceiveFrame(MillisecondsLeft(deadline), body, error);
        if (received == Received::TimedOut) {
            // The answer may still come and is then skipped by its sequence.
            return SendOutcome{false, 0, 0};
        }
        RelayProtocol::Answer answer;
        if (received == Received::Lost || !RelayProtocol::DecodeAnswer(body, answer)) {
            Disconnect();
            return SendOutcome{false, 0, error != 0 ? error : protocolError};
        }
        if (answer.sequence == sent) {
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
