#include "tests/unit/relay/FrameProxy.h"

#include "simlink/RequestArea.h"
#include "tests/unit/relay/RawRelayClient.h"

FrameProxy::FrameProxy(std::uint16_t relay, Change frameChange)
    : relayPort(relay), change(std::move(frameChange)) {
    std::uint32_t error = 0;
    listener = Sockets::Listen("127.0.0.1", 0, port, error);
    thread = std::thread([this] { Run(); });
}

FrameProxy::~FrameProxy() {
    stop = true;
    thread.join();
    for (const Pair& pair : pairs) {
        Sockets::Close(pair.client);
        Sockets::Close(pair.relay);
    }
    Sockets::Close(listener);
}

void FrameProxy::Run() {
    int connections = 0;
    while (!stop) {
        std::vector<Sockets::Waiting> waiting{Sockets::Waiting{listener, true, false}};
        for (const Pair& pair : pairs) {
            waiting.push_back(Sockets::Waiting{pair.client, !pair.done, false});
            waiting.push_back(Sockets::Waiting{pair.relay, !pair.done, false});
        }
        if (Sockets::Poll(waiting, 50) <= 0) {
            continue;
        }
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            Pass(pairs[i], waiting[1 + 2 * i].readable, waiting[2 + 2 * i].readable);
        }
        if (waiting[0].readable) {
            Pair pair;
            pair.client = Sockets::Accept(listener);
            std::uint32_t error = 0;
            pair.relay = Sockets::Connect("127.0.0.1", relayPort, 2000, error);
            pair.connection = connections++;
            pairs.push_back(std::move(pair));
        }
    }
}

void FrameProxy::Pass(Pair& pair, bool clientReady, bool relayReady) {
    std::vector<std::byte> buffer(65536);
    if (clientReady && !pair.done) {
        const long got = Sockets::Receive(pair.client, buffer);
        pair.done = got < 0 || !SendAll(pair.relay,
                                        std::span(buffer).first(static_cast<std::size_t>(std::max(got, 0L))));
    }
    if (relayReady && !pair.done) {
        const long got = Sockets::Receive(pair.relay, buffer);
        pair.done = got < 0;
        pair.fromRelay.insert(pair.fromRelay.end(), buffer.begin(), buffer.begin() + std::max(got, 0L));
    }
    while (!pair.done && pair.fromRelay.size() >= 4 &&
           pair.fromRelay.size() >= 4 + RequestArea::LoadWord(pair.fromRelay.data())) {
        const auto end = pair.fromRelay.begin() + 4 + RequestArea::LoadWord(pair.fromRelay.data());
        const std::vector<std::byte> frame(pair.fromRelay.begin(), end);
        pair.fromRelay.erase(pair.fromRelay.begin(), end);
        pair.done = !SendAll(pair.client, change(pair.connection, pair.frames++, frame));
    }
    if (pair.done) {
        Sockets::Close(pair.client);
        Sockets::Close(pair.relay);
        pair.client = pair.relay = Sockets::invalid;
    }
}
