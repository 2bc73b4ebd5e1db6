#include "tools/relay/ServerSessions.h"

#include <cstdio>
#include <cstring>

#include "simlink/IpcLink.h"
#include "simlink/IpcResult.h"

namespace {

// The system's code for a window that is gone, reported when no server window can be found.
constexpr std::uint32_t noWindowError = 1400;

}  // namespace

ServerSessions::ServerSessions(IpcTransport& serverTransport) : transport(serverTransport) {}

ServerSessions::~ServerSessions() {
    for (auto& [name, session] : sessions) {
        Release(session);
    }
}

void ServerSessions::Release(Session& session) {
    if (session.window != 0) {
        transport.ReleaseServerWindow(session.window);
        session.window = 0;
    }
    if (session.atom != 0) {
        transport.ReleaseAtom(session.atom);
        session.atom = 0;
    }
    if (session.view != nullptr) {
        transport.UnmapView(session.view);
        session.view = nullptr;
    }
    if (session.mapping != 0) {
        transport.CloseMapping(session.mapping);
        session.mapping = 0;
    }
}

bool ServerSessions::Find(const std::string& className) {
    Session& session = sessions[className];
    const ServerWindow found = transport.FindServerWindow(className.c_str());
    if (found == 0) {
        if (session.window != 0) {
            transport.ReleaseServerWindow(session.window);
            session.window = 0;
        }
        return false;
    }
    if (found != session.window) {
        // A server may tie the areas it serves to the window it was reached through.
        Release(session);
    }
    session.window = found;
    session.stale = false;
    return true;
}

bool ServerSessions::SetUpArea(Session& session) {
    if (session.view != nullptr) {
        return true;
    }
    if (message == 0) {
        message = transport.RegisterMessage("ZuvavEzo:IPC");
    }
    char name[48];
    std::snprintf(name, sizeof name, "ZuvavEzo:IPC:%X:%X", static_cast<unsigned>(transport.ProcessId()),
                  static_cast<unsigned>(++areasMade));
    session.atom = transport.CreateAtom(name);
    const MappingOutcome created = transport.CreateMapping(name, RequestArea::areaSize);
    session.mapping = created.handle;
    if (message == 0 || session.atom == 0 || created.handle == 0 || created.alreadyExisted) {
        return false;
    }
    session.view = transport.MapView(session.mapping);
    return session.view != nullptr;
}

RelayProtocol::Answer ServerSessions::Exchange(const std::string& className, std::span<std::byte> area) {
    RelayProtocol::Answer answer;
    Session& session = sessions[className];
    if ((session.window == 0 || session.stale) && !Find(className)) {
        answer.result = static_cast<std::uint32_t>(IpcResult::SendFailed);
        answer.lastError = noWindowError;
        return answer;
    }
    if (!SetUpArea(session)) {
        Release(session);
        answer.result = static_cast<std::uint32_t>(IpcResult::SendFailed);
        answer.lastError = 8;  // not enough resources
        return answer;
    }
    std::memcpy(session.view, area.data(), area.size());
    const SendOutcome sent =
        transport.SendRequest(session.window, message, session.atom, IpcLink::sendTimeoutMs);
    if (!sent.delivered) {
        session.stale = sent.lastError != 0;
        answer.result =
            static_cast<std::uint32_t>(sent.lastError != 0 ? IpcResult::SendFailed : IpcResult::TimedOut);
        answer.lastError = sent.lastError;
        return answer;
    }
    std::memcpy(area.data(), session.view, area.size());
    answer.result = static_cast<std::uint32_t>(IpcResult::Okay);
    answer.serverAnswer = static_cast<std::uint32_t>(sent.answer);
    answer.area = area;
    return answer;
}
