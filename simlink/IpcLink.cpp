#include "simlink/IpcLink.h"

#include <atomic>
#include <cstdio>
#include <utility>

#include "simlink/PlatformServices.h"

namespace {

// Makes the shared-memory name of every Open unique within the process.
std::atomic<std::uint32_t> openCounter{0};

constexpr const char* primaryServerClass = "UIPCMAIN";
// FSUIPC's older class, also used by WideClient.
constexpr const char* fallbackServerClass = "FS98MAIN";
constexpr const char* messageName = "ZuvavEzo:IPC";

// A queued read needs at least its header and one byte to have a destination; this many entries
// therefore hold every pending read that fits in the area.
constexpr std::size_t mostPendingReads =
    (RequestArea::capacity - RequestArea::endMarkerSize) / (RequestArea::readHeaderSize + 1);

}  // namespace

IpcLink::IpcLink() : IpcLink(MakePlatformTransport(), MakePlatformClock()) {}

IpcLink::IpcLink(std::uint32_t requestedVersion) : IpcLink() { Open(requestedVersion); }

IpcLink::IpcLink(std::unique_ptr<IpcTransport> ownedTransport, std::unique_ptr<IpcClock> ownedClock)
    : ownTransport(std::move(ownedTransport)),
      ownClock(std::move(ownedClock)),
      transport(*ownTransport),
      clock(*ownClock) {}

IpcLink::IpcLink(IpcTransport& linkTransport, IpcClock& linkClock)
    : transport(linkTransport), clock(linkClock) {}

IpcLink::IpcLink(IpcTransport& linkTransport, IpcClock& linkClock, std::uint32_t requestedVersion)
    : IpcLink(linkTransport, linkClock) {
    Open(requestedVersion);
}

IpcLink::~IpcLink() { Close(); }

bool IpcLink::Fail(IpcResult failure) {
    result = failure;
    return false;
}

bool IpcLink::FailAndClose(IpcResult failure) {
    Close();
    return Fail(failure);
}

bool IpcLink::Open(std::uint32_t requestedVersion) {
    if (IsOpen()) {
        return Fail(IpcResult::AlreadyOpen);
    }
    serverVersion = 0;
    simulatorVersion = 0;
    bool foundAsFallback = false;
    serverWindow = transport.FindServerWindow(primaryServerClass);
    if (serverWindow == 0) {
        serverWindow = transport.FindServerWindow(fallbackServerClass);
        foundAsFallback = true;
    }
    if (serverWindow == 0) {
        return Fail(IpcResult::NoServerWindow);
    }
    message = transport.RegisterMessage(messageName);
    if (message == 0) {
        return FailAndClose(IpcResult::RegisterMessageFailed);
    }
    return SetUpArea() && Handshake() && CheckVersions(requestedVersion, foundAsFallback);
}

bool IpcLink::SetUpArea() {
    const std::uint32_t number = ++openCounter;
    char name[48];
    std::snprintf(name, sizeof name, "ZuvavEzo:IPC:%X:%X", static_cast<unsigned>(transport.ProcessId()),
                  static_cast<unsigned>(number));
    atom = transport.CreateAtom(name);
    if (atom == 0) {
        return FailAndClose(IpcResult::AtomFailed);
    }
    const MappingOutcome created = transport.CreateMapping(name, RequestArea::areaSize);
    mapping = created.handle;
    if (mapping == 0 || created.alreadyExisted) {
        return FailAndClose(IpcResult::MappingFailed);
    }
    view = transport.MapView(mapping);
    if (view == nullptr) {
        return FailAndClose(IpcResult::ViewFailed);
    }
    cursor = view;
    pendingReads.clear();
    pendingReads.reserve(mostPendingReads);
    return true;
}

bool IpcLink::Handshake() {
    std::byte serverBytes[4] = {};
    std::byte simulatorBytes[4] = {};
    const std::byte clientBytes[2] = {static_cast<std::byte>(clientVersion & 0xFF),
                                      static_cast<std::byte>((clientVersion >> 8) & 0xFF)};
    for (int pass = 0; pass < handshakePasses; ++pass) {
        if (serverVersion != 0 && simulatorVersion != 0) {
            break;
        }
        const bool done = Read(serverVersionOffset, 4, serverBytes) &&
                          Read(simulatorVersionOffset, 4, simulatorBytes) &&
                          (pass != 0 || Write(clientVersionOffset, 2, clientBytes)) && Process();
        if (!done) {
            return FailAndClose(result);
        }
        serverVersion = RequestArea::LoadWord(serverBytes);
        simulatorVersion = RequestArea::LoadWord(simulatorBytes);
        clock.Pause(pauseMs);
    }
    return true;
}

bool IpcLink::CheckVersions(std::uint32_t requestedVersion, bool foundAsFallback) {
    if (serverVersion < lowestServerVersion || (simulatorVersion >> 16) != simulatorSignature) {
        // WideClient answers under the fallback class while the simulator behind it is not running.
        return FailAndClose(foundAsFallback ? IpcResult::SimulatorNotRunning : IpcResult::WrongServerVersion);
    }
    simulatorVersion &= 0xFFFF;
    if (requestedVersion != 0 && requestedVersion != simulatorVersion) {
        return FailAndClose(IpcResult::WrongSimulatorVersion);
    }
    result = IpcResult::Okay;
    return true;
}

void IpcLink::Close() {
    if (serverWindow != 0) {
        transport.ReleaseServerWindow(serverWindow);
    }
    serverWindow = 0;
    message = 0;
    if (atom != 0) {
        transport.ReleaseAtom(atom);
        atom = 0;
    }
    if (view != nullptr) {
        transport.UnmapView(view);
        view = nullptr;
    }
    if (mapping != 0) {
        transport.CloseMapping(mapping);
        mapping = 0;
    }
    pendingReads.clear();
}

bool IpcLink::Read(std::uint32_t offset, std::uint32_t size, void* destination) {
    if (!IsOpen()) {
        return Fail(IpcResult::NotOpen);
    }
    if (!RequestArea::ReadFits(Used(), size)) {
        return Fail(IpcResult::BufferFull);
    }
    std::uint32_t reference = 0;
    if (destination != nullptr && size != 0) {
        pendingReads.push_back({static_cast<std::uint32_t>(Used()), size, destination});
        reference = static_cast<std::uint32_t>(pendingReads.size());
    }
    cursor += RequestArea::PutRead(cursor, offset, size, reference);
    result = IpcResult::Okay;
    return true;
}

bool IpcLink::Write(std::uint32_t offset, std::uint32_t size, const void* source) {
    if (!IsOpen()) {
        return Fail(IpcResult::NotOpen);
    }
    if (!RequestArea::WriteFits(Used(), size)) {
        return Fail(IpcResult::BufferFull);
    }
    cursor += RequestArea::PutWrite(cursor, offset, size, source);
    result = IpcResult::Okay;
    return true;
}

bool IpcLink::Process() {
    if (!IsOpen()) {
        return Fail(IpcResult::NotOpen);
    }
    if (cursor == view) {
        return Fail(IpcResult::NoRequests);
    }
    const auto end = static_cast<std::uint32_t>(Used());
    RequestArea::PutEndMarker(cursor);
    cursor = view;
    const bool exchanged = Exchange(end);
    pendingReads.clear();
    return exchanged;
}

bool IpcLink::Exchange(std::uint32_t end) {
    SendOutcome sent;
    for (int attempt = 0; attempt < sendAttempts; ++attempt) {
        sent = transport.SendRequest(serverWindow, message, atom, sendTimeoutMs);
        if (sent.delivered) {
            break;
        }
        clock.Pause(pauseMs);
    }
    if (!sent.delivered) {
        return Fail(sent.lastError != 0 ? IpcResult::SendFailed : IpcResult::TimedOut);
    }
    if (sent.answer != 1) {
        return Fail(IpcResult::BadData);
    }
    // A server that rearranged the records gets the same answer as one that refused them.
    if (!RequestArea::DeliverAnswer(RequestArea::ConstArea{view, RequestArea::areaSize}, end, pendingReads)) {
        return Fail(IpcResult::BadData);
    }
    result = IpcResult::Okay;
    return true;
}

bool IpcLink::ReadAndProcess(std::uint32_t offset, std::uint32_t size, void* destination) {
    return Read(offset, size, destination) && Process();
}

bool IpcLink::WriteAndProcess(std::uint32_t offset, std::uint32_t size, const void* source) {
    return Write(offset, size, source) && Process();
}
