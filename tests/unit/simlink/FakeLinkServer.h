#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "simlink/IpcClock.h"
#include "simlink/IpcLink.h"
#include "simlink/IpcTransport.h"
#include "simlink/RequestArea.h"
#include "tools/simulator/SimulatorState.h"

// Time that passes only when the link pauses or a fake send waits out its time-out.
class VirtualClock final : public IpcClock {
public:
    void Pause(std::uint32_t milliseconds) override { nowMs += milliseconds; }
    std::uint64_t nowMs = 0;
};

// A link server in this process: serves the stand-in simulator's offset space through the transport
// seam, with switches for every fault a link must survive, and counts of what the link holds.
class FakeLinkServer final : public IpcTransport {
public:
    explicit FakeLinkServer(VirtualClock& linkClock) : clock(linkClock) {}

    enum class Answer { Serve, Never, Zero };
    struct Faults {
        bool noUipcWindow = false;
        bool fs98Window = false;
        bool registerFails = false;
        bool atomFails = false;
        bool mappingFails = false;
        bool mappingExists = false;  // an object of the name exists already
        bool viewFails = false;
        Answer answer = Answer::Serve;
        int unansweredSends = 0;          // this many sends fail before the server answers again
        std::uint32_t sendLastError = 0;  // the last-error of a failed send
        // Runs on the area after the server performed it, before it answers.
        std::function<void(RequestArea::Area)> tamper;
    };

    SimulatorState simulator{0x19980005, 7};
    Faults faults;

    // What the link did.
    int sendAttempts = 0;
    int LiveObjects() const {
        return liveWindows + liveViews + static_cast<int>(atoms.size() + handles.size());
    }

    ServerWindow FindServerWindow(const char* className) override;
    void ReleaseServerWindow(ServerWindow) override { --liveWindows; }
    std::uint32_t RegisterMessage(const char* name) override;
    std::uint32_t ProcessId() override { return 0x1A2C; }
    std::uint16_t CreateAtom(const char* text) override;
    void ReleaseAtom(std::uint16_t atom) override { atoms.erase(atom); }
    MappingOutcome CreateMapping(const char* name, std::uint32_t size) override;
    std::byte* MapView(MappingHandle mapping) override;
    void UnmapView(std::byte*) override { --liveViews; }
    void CloseMapping(MappingHandle mapping) override { handles.erase(mapping); }
    SendOutcome SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                            std::uint32_t timeoutMs) override;

private:
    using AreaBytes = std::array<std::byte, RequestArea::areaSize>;

    static constexpr ServerWindow serverWindow = 0x5150;
    static constexpr std::uint32_t linkMessage = 0xC123;

    VirtualClock& clock;
    int liveWindows = 0;
    int liveViews = 0;
    std::map<std::uint16_t, std::string> atoms;
    std::uint16_t nextAtom = 0xC001;
    // The areas by the name their mapping was created under.
    std::map<std::string, std::unique_ptr<AreaBytes>> areas;
    std::map<MappingHandle, std::string> handles;
    MappingHandle nextHandle = 0x100;
};

// A closed link on a fake server whose aircraft stands at 47.5 N 8.25 E.
struct LinkOnFakeServer {
    LinkOnFakeServer() { server.simulator.PutAircraft(47.5, 8.25); }
    VirtualClock clock;
    FakeLinkServer server{clock};
    IpcLink link{server, clock};
};
