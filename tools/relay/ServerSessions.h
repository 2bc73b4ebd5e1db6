#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "simlink/IpcTransport.h"
#include "simlink/tcp/RelayProtocol.h"

// The relay's side towards the simulator's server, through the platform's transport: one found
// window and one request area of the relay's own per window class, set up once and reused, as a
// link does. Exchanges happen one at a time.
class ServerSessions {
public:
    explicit ServerSessions(IpcTransport& transport);
    ~ServerSessions();
    ServerSessions(const ServerSessions&) = delete;
    ServerSessions& operator=(const ServerSessions&) = delete;

    // Looks for the server's window of that class again (it may have restarted).
    bool Find(const std::string& className);

    // Lays a checked client area into the class's request area, sends the registered message and
    // gives the outcome as the link's result; the answered area is copied back into `area`.
    RelayProtocol::Answer Exchange(const std::string& className, std::span<std::byte> area);

private:
    struct Session {
        ServerWindow window = 0;
        bool stale = false;  // the last send failed: look for the window again first
        std::uint16_t atom = 0;
        MappingHandle mapping = 0;
        std::byte* view = nullptr;
    };

    bool SetUpArea(Session& session);
    void Release(Session& session);

    IpcTransport& transport;
    std::uint32_t message = 0;
    std::uint32_t areasMade = 0;
    std::map<std::string, Session> sessions;
};
