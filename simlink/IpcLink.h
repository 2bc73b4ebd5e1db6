#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "simlink/IpcClock.h"
#include "simlink/IpcResult.h"
#include "simlink/IpcTransport.h"
#include "simlink/RequestArea.h"

// The client side of the FSUIPC inter-process link. Reads and writes of simulator offsets are
// queued in a shared request area and exchanged with the server (FSUIPC or WideClient) in one
// blocking message; afterwards each read's bytes are in the caller's buffer.
//
// Every operation records an IpcResult and reports success as true or false.
class IpcLink {
public:
    // A closed link on a transport and clock of the platform's own, which it owns.
    IpcLink();
    // The same, then Open with the requested simulator version; see GetResult for the outcome.
    explicit IpcLink(std::uint32_t requestedVersion);
    // A closed link on the given services, which must outlive it.
    IpcLink(IpcTransport& transport, IpcClock& clock);
    IpcLink(IpcTransport& transport, IpcClock& clock, std::uint32_t requestedVersion);
    virtual ~IpcLink();

    IpcLink(const IpcLink&) = delete;
    IpcLink& operator=(const IpcLink&) = delete;

    // Finds the server, sets up the shared area and checks the versions. A requested version of 0
    // accepts any simulator.
    bool Open(std::uint32_t requestedVersion);
    void Close();

    // Queue a read into destination (null: read but copy nowhere), or a write of size bytes copied
    // from source at once.
    // The destination must stay valid until the Process that serves it has returned.
    bool Read(std::uint32_t offset, std::uint32_t size, void* destination);
    bool Write(std::uint32_t offset, std::uint32_t size, const void* source);
    // Exchanges everything queued; the queue is empty afterwards whatever the outcome.
    bool Process();
    bool ReadAndProcess(std::uint32_t offset, std::uint32_t size, void* destination);
    bool WriteAndProcess(std::uint32_t offset, std::uint32_t size, const void* source);

    IpcResult GetResult() const { return result; }
    const char* GetResultText() const { return IpcResultText(result); }
    // 7 is FS2004.
    std::uint32_t GetSimulatorVersion() const { return simulatorVersion; }
    std::uint32_t GetServerVersion() const { return serverVersion; }

    // The protocol's fixed values.
    static constexpr std::uint32_t clientVersionNumber = 1004;
    static constexpr std::uint32_t lowestServerVersion = 0x19980005;
    static constexpr std::uint32_t simulatorSignature = 0xFADE;
    static constexpr std::uint32_t serverVersionOffset = 0x3304;
    static constexpr std::uint32_t simulatorVersionOffset = 0x3308;
    static constexpr std::uint32_t clientVersionOffset = 0x330A;
    static constexpr std::uint32_t sendTimeoutMs = 2000;
    static constexpr std::uint32_t pauseMs = 100;
    static constexpr int sendAttempts = 9;
    static constexpr int handshakePasses = 5;

private:
    IpcLink(std::unique_ptr<IpcTransport> ownedTransport, std::unique_ptr<IpcClock> ownedClock);

    bool IsOpen() const { return view != nullptr; }
    std::size_t Used() const { return static_cast<std::size_t>(cursor - view); }
    bool Fail(IpcResult failure);
    bool FailAndClose(IpcResult failure);
    bool SetUpArea();
    bool Handshake();
    bool CheckVersions(std::uint32_t requestedVersion, bool foundAsFs98);
    bool Exchange(std::uint32_t end);

    IpcResult result = IpcResult::Okay;
    ServerWindow serverWindow = 0;
    std::uint32_t message = 0;
    std::uint16_t atom = 0;
    MappingHandle mapping = 0;
    std::byte* view = nullptr;
    std::byte* cursor = nullptr;
    std::uint32_t serverVersion = 0;
    std::uint32_t simulatorVersion = 0;
    std::uint32_t clientVersion = clientVersionNumber;

    // Set only for a link on the platform's services; declared before the references to them.
    std::unique_ptr<IpcTransport> ownTransport;
    std::unique_ptr<IpcClock> ownClock;
    IpcTransport& transport;
    IpcClock& clock;
    // The queued reads that have a destination, in queue order; records refer to them by index + 1.
    std::vector<RequestArea::PendingRead> pendingReads;
};
