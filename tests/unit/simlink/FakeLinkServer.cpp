#include "tests/unit/simlink/FakeLinkServer.h"

#include <string_view>

#include "tools/simulator/ServeRequestArea.h"

ServerWindow FakeLinkServer::FindServerWindow(const char* className) {
    const std::string_view wanted = className;
    if ((wanted == "UIPCMAIN" && !faults.noUipcWindow) || (wanted == "FS98MAIN" && faults.fs98Window)) {
        ++liveWindows;
        return serverWindow;
    }
    return 0;
}

std::uint32_t FakeLinkServer::RegisterMessage(const char* name) {
    return faults.registerFails || std::string_view(name) != "ZuvavEzo:IPC" ? 0 : linkMessage;
}

std::uint16_t FakeLinkServer::CreateAtom(const char* text) {
    if (faults.atomFails) {
        return 0;
    }
    atoms[nextAtom] = text;
    return nextAtom++;
}

MappingOutcome FakeLinkServer::CreateMapping(const char* name, std::uint32_t size) {
    if (faults.mappingFails || size != RequestArea::areaSize) {
        return MappingOutcome{};
    }
    // An area another process made under that name stays; this one is the link's until closed.
    const bool existed = faults.mappingExists || areas.contains(name);
    if (!areas.contains(name)) {
        areas[name] = std::make_unique<AreaBytes>();
    }
    handles[nextHandle] = name;
    return MappingOutcome{nextHandle++, existed};
}

std::byte* FakeLinkServer::MapView(MappingHandle mapping) {
    if (faults.viewFails || !handles.contains(mapping)) {
        return nullptr;
    }
    ++liveViews;
    return areas.at(handles.at(mapping))->data();
}

SendOutcome FakeLinkServer::SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                                        std::uint32_t timeoutMs) {
    ++sendAttempts;
    if (faults.answer == Answer::Never || faults.unansweredSends > 0) {
        --faults.unansweredSends;
        clock.nowMs += timeoutMs;
        return SendOutcome{false, 0, faults.sendLastError};
    }
    if (faults.answer == Answer::Zero || window != serverWindow || message != linkMessage ||
        !atoms.contains(atom) || !areas.contains(atoms.at(atom))) {
        return SendOutcome{true, 0, 0};
    }
    const RequestArea::Area area{areas.at(atoms.at(atom))->data(), RequestArea::areaSize};
    const bool served = ServeRequestArea(area, simulator.Offsets());
    if (faults.tamper) {
        faults.tamper(area);
    }
    return SendOutcome{true, served ? 1u : 0u, 0};
}
