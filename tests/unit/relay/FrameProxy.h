#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "simlink/tcp/Sockets.h"

// A machine between the link and the relay: passes the client's bytes on as they come and the
// relay's frames one by one, each through `change`, which may give other bytes in its place.
class FrameProxy {
public:
    // Gets the index of the connection (in the order they came), the index of the frame within it and
    // the whole frame, length prefix included; gives what the client receives instead.
    using Change =
        std::function<std::vector<std::byte>(int connection, int frame, const std::vector<std::byte>&)>;

    FrameProxy(std::uint16_t relayPort, Change change);
    ~FrameProxy();
    FrameProxy(const FrameProxy&) = delete;
    FrameProxy& operator=(const FrameProxy&) = delete;

    std::uint16_t Port() const { return port; }

private:
    struct Pair {
        Sockets::Handle client = Sockets::invalid;
        Sockets::Handle relay = Sockets::invalid;
        std::vector<std::byte> fromRelay;
        int connection = 0;
        int frames = 0;
        bool done = false;
    };

    void Run();
    void Pass(Pair& pair, bool clientReady, bool relayReady);

    std::uint16_t relayPort;
    Change change;
    Sockets::Handle listener = Sockets::invalid;
    std::uint16_t port = 0;
    std::vector<Pair> pairs;
    std::atomic<bool> stop{false};
    std::thread thread;
};
