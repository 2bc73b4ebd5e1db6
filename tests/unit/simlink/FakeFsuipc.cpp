#include "tests/unit/simlink/FakeFsuipc.h"

#include <string_view>

#include "tools/simulator/ServeRequestArea.h"

FakeFsuipc::FakeFsuipc(VirtualClock& linkClock) : clock(linkClock) {}

FakeFsuipc::~FakeFsuipc() = default;

void FakeFsuipc::Recover() {
    uipcWindow = true;
    fs98Window = false;
    registerFails = false;
    atomFails = false;
    mappingFails = false;
    mappingExists = false;
    viewFails = false;
    answer = Answer::Serve;
    unansweredSends = 0;
    tamper = nullptr;
}

ServerWindow FakeFsuipc::FindServerWindow(const char* className) {
    const std::string_view wanted = className;
    const bool found = (wanted == "UIPCMAIN" && uipcWindow) || (wanted == "FS98MAIN" && fs98Window);
    if (!found) {
        return 0;
    }
    ++liveWindows;
    return serverWindow;
}

void FakeFsuipc::ReleaseServerWindow(ServerWindow) { --liveWindows; }

std::uint32_t FakeFsuipc::RegisterMessage(const char* name) {
    return registerFails || std::string_view(name) != "ZuvavEzo:IPC" ? 0 : linkMessage;
}

std::uint16_t FakeFsuipc::CreateAtom(const char* text) {
    atomTexts.emplace_back(text);
    if (atomFails) {
        return 0;
    }
    atoms[nextAtom] = text;
    return nextAtom++;
}

void FakeFsuipc::ReleaseAtom(std::uint16_t atom) { atoms.erase(atom); }

MappingOutcome FakeFsuipc::CreateMapping(const char* name, std::uint32_t size) {
    if (mappingFails || size != RequestArea::areaSize) {
        return MappingOutcome{};
    }
    if (mappingExists && !objects.contains(name)) {
        objects[name].references = 1;  // held by the other process
    }
    const bool existed = objects.contains(name);
    ++objects[name].references;
    ++liveHandles;
    const MappingHandle handle = nextHandle++;
    handles[handle] = name;
    return MappingOutcome{handle, existed};
}

std::byte* FakeFsuipc::MapView(MappingHandle mapping) {
    if (viewFails || !handles.contains(mapping)) {
        return nullptr;
    }
    Object& object = objects.at(handles.at(mapping));
    ++object.references;
    ++liveViews;
    return object.bytes->data();
}

void FakeFsuipc::UnmapView(std::byte* view) {
    for (auto found = objects.begin(); found != objects.end(); ++found) {
        if (found->second.bytes->data() == view) {
            --liveViews;
            if (--found->second.references == 0) {
                objects.erase(found);
            }
            return;
        }
    }
}

void FakeFsuipc::CloseMapping(MappingHandle mapping) {
    const auto found = handles.find(mapping);
    if (found == handles.end()) {
        return;
    }
    --liveHandles;
    if (--objects.at(found->second).references == 0) {
        objects.erase(found->second);
    }
    handles.erase(found);
}

SendOutcome FakeFsuipc::SendRequest(ServerWindow window, std::uint32_t message, std::uint16_t atom,
                                    std::uint32_t timeoutMs) {
    ++sendAttempts;
    if (answer == Answer::Never || unansweredSends > 0) {
        --unansweredSends;
        clock.nowMs += timeoutMs;
        return SendOutcome{false, 0, sendLastError};
    }
    if (answer == Answer::Zero) {
        return SendOutcome{true, 0, 0};
    }
    if (window != serverWindow || message != linkMessage || !atoms.contains(atom) ||
        !objects.contains(atoms.at(atom))) {
        return SendOutcome{true, 0, 0};
    }
    const RequestArea::Area area{objects.at(atoms.at(atom)).bytes->data(), RequestArea::areaSize};
    int writes = 0;
    for (std::uint64_t at = 0; at + 16 <= RequestArea::areaSize;) {
        const std::uint32_t kind = RequestArea::LoadWord(area.data() + at);
        if (kind != RequestArea::readKind && kind != RequestArea::writeKind) {
            break;
        }
        writes += kind == RequestArea::writeKind ? 1 : 0;
        at += (kind == RequestArea::readKind ? 16 : 12) + RequestArea::LoadWord(area.data() + at + 8);
    }
    writeRecordsPerExchange.push_back(writes);
    const bool served = ServeRequestArea(area, simulator.Offsets());
    if (tamper) {
        tamper(area);
    }
    return SendOutcome{true, served ? 1u : 0u, 0};
}
