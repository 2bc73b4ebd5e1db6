#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "simlink/IpcClock.h"
#include "simlink/IpcTransport.h"
#include "simlink/RequestArea.h"
#include "tools/simulator/SimulatorState.h"

// Time that passes only when the link pauses or a fake send waits out its time-out.
class VirtualClock final : public IpcClock {
public:
    void Pause(std::uint32_t milliseconds) override {
        nowMs += milliseconds;
        ++pauses;
    }
    std::uint64_t nowMs = 0;
    int pauses = 0;
};

// An in-process FSUIPC: serves the stand-in simulator's offset space through the transport seam, with
// switches for every fault a link must survive, and counts of what the link holds.
class FakeFsuipc final : public IpcTransport {
public:
    explicit FakeFsuipc(VirtualClock& clock);
    ~FakeFsuipc() override;

    enum class Answer { Serve, Never, Zero };

    SimulatorState simulator{0x19980005, 7};

    // Fault switches.
    bool uipcWindow = true;
    bool fs98Window = false;
    bool registerFails = false;
    bool atomFails = false;
    bool mappingFails = false;
    bool mappingExists = false;  // an object of the name exists already, as another process's
    bool viewFails = false;
    Answer answer = Answer::Serve;
    int unansweredSends = 0;           // this many sends fail before the server answers again
    std::uint32_t sendLastError = 0;   // the last-error of a failed send
    std::uint32_t processId = 0x1A2C;
    // Runs on the area after the server performed it, before it answers.
    std::function<void(RequestArea::Area)> tamper;

    // Turns every fault switch off again.
    void Recover();

    // What the link did.
    int sendAttempts = 0;
    std::vector<std::string> atomTexts;
    std::vector<int> writeRecordsPerExchange;
    int LiveWindows() const { return liveWindows; }
    int LiveAtoms() const { return static_cast<int>(atoms.size()); }
    int LiveViews() const { return liveViews; }
    int LiveHandles() const { return liveHandles; }

    ServerWindow FindServerWindow(const char* className) override;
    void ReleaseServerWindow(ServerWindow window) override;
    std::uint32_t RegisterMessage(const char* name) override;
    std::uint32_t ProcessId() override { return processId; }
    std::uint16_t CreateAtom(const char* text) override;
    void ReleaseAtom(std::uint16_t atom) override;
    MappingOutcome CreateMapping(const char* name, std::uint32_t size) override;
    std::byte* MapView(MappingHandle mapping) override;
    void UnmapView(std::byte* view) override;
    void CloseMapping(MappingHandle mapping) override;
    SendOutcome SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                            std::uint32_t timeoutMs) override;

    static constexpr ServerWindow serverWindow = 0x5150;
    static constexpr std::uint32_t linkMessage = 0xC123;

private:
    using AreaBytes = std::array<std::byte, RequestArea::areaSize>;
    struct Object {
        std::unique_ptr<AreaBytes> bytes = std::make_unique<AreaBytes>();
        int references = 0;
    };

    VirtualClock& clock;
    int liveWindows = 0;
    int liveViews = 0;
    int liveHandles = 0;
    std::map<std::uint16_t, std::string> atoms;
    std::uint16_t nextAtom = 0xC001;
    std::map<std::string, Object> objects;
    std::map<MappingHandle, std::string> handles;
    MappingHandle nextHandle = 0x100;
};
