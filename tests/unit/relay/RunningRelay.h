#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "simlink/IpcLink.h"
#include "simlink/posix/PosixTransport.h"
#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "tools/relay/RelayServer.h"

// A relay serving on a thread of the test, on a free loopback port, over the POSIX transport.
class RunningRelay {
public:
    explicit RunningRelay(RelaySettings settings = {}) : relay(std::move(settings), transport) {
        std::string problem;
        listening = relay.Listen(problem);
        if (listening) {
            thread = std::thread([this] { relay.Run(stop); });
        }
    }
    ~RunningRelay() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
    }
    RunningRelay(const RunningRelay&) = delete;
    RunningRelay& operator=(const RunningRelay&) = delete;

    std::uint16_t Port() const { return relay.Port(); }
    std::size_t ConnectionCount() const { return relay.ConnectionCount(); }
    std::unique_ptr<IpcLink> Link(std::uint32_t version = 0) const {
        return RelayIpcLinkMaker("127.0.0.1", relay.Port())(version);
    }

    bool listening = false;

private:
    PosixTransport transport;
    RelayServer relay;
    std::atomic<bool> stop{false};
    std::thread thread;
};
