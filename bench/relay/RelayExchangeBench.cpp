// One position exchange through the relay on loopback, with a secret (both ends proven, every frame
// sealed with its MAC), beside the direct exchange over the POSIX transport to the same stand-in
// simulator as its floor. Both run in one process, alternating, so that they see the same machine;
// in the middle of several rounds, the median through the relay must stay within 1.8 times the direct
// one, or the benchmark reports an error.
//
// Beside them, the two loopback TCP hops that any relayed exchange adds (the request there, the
// answer back), timed in one thread after each round's exchanges: the system's own part of the
// difference, with no relay code and no handover between threads in it. What remains is the relay's
// own.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "simlink/ReadAircraftPosition.h"
#include "simlink/posix/PosixClock.h"
#include "simlink/posix/PosixTransport.h"
#include "simlink/tcp/Sockets.h"
#include "simlink/tcp/RelayTransport.h"
#include "tools/relay/RelayServer.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double mostRatio = 1.8;
constexpr int rounds = 9;
constexpr int exchangesPerRound = 1000;
const std::string secret = "correct horse battery staple";

double Median(std::vector<double>& samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

// Medians of the two exchanges, each through its own relay and connection, and of the TCP hops.
struct Round {
    double directMedian = 0;
    double relayedMedian = 0;
    double tcpHopsMedian = 0;
    bool ok = true;
};

// A loopback TCP connection whose two ends both belong to this thread, with frames of about the
// relayed exchange's size.
class TcpHops {
public:
    TcpHops() {
        std::uint16_t port = 0;
        std::uint32_t error = 0;
        listener = Sockets::Listen("127.0.0.1", 0, port, error);
        near = Sockets::Connect("127.0.0.1", port, 1000, error);
        for (int tries = 0; tries < 1000 && far == Sockets::invalid && near != Sockets::invalid; ++tries) {
            far = Sockets::Accept(listener);
        }
    }
    ~TcpHops() {
        Sockets::Close(far);
        Sockets::Close(near);
        Sockets::Close(listener);
    }
    TcpHops(const TcpHops&) = delete;
    TcpHops& operator=(const TcpHops&) = delete;

    // Sends a request from the near end, takes it at the far end, and the answer back.
    bool Time(std::vector<double>& samples) {
        const auto start = Clock::now();
        const bool ok = Hop(near, far) && Hop(far, near);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        return ok;
    }

private:
    static constexpr std::size_t frameSize = 128;

    bool Hop(Sockets::Handle from, Sockets::Handle to) {
        if (Sockets::Send(from, frame) != static_cast<long>(frame.size())) {
            return false;
        }
        std::size_t got = 0;
        // Loopback delivers within the send; the loop only guards against a partial read.
        for (int tries = 0; got < frame.size() && tries < 1000; ++tries) {
            const long read = Sockets::Receive(to, std::span(frame).subspan(got));
            if (read < 0) {
                return false;
            }
            got += static_cast<std::size_t>(read);
        }
        return got == frame.size();
    }

    Sockets::Handle listener = Sockets::invalid;
    Sockets::Handle near = Sockets::invalid;
    Sockets::Handle far = Sockets::invalid;
    std::array<std::byte, frameSize> frame{};
};

// One round: a relay of its own (a new thread, which the system places anew) and `exchanges` of each
// kind, alternating. The stand-in simulator and the direct link are the rounds' own.
Round MeasureRound(IpcLink& direct, int exchanges) {
    Round round;
    PosixTransport serverTransport;
    RelaySettings settings;
    settings.secret = secret;
    RelayServer relay(settings, serverTransport);
    std::string problem;
    if (!relay.Listen(problem)) {
        round.ok = false;
        return round;
    }
    std::atomic<bool> stop{false};
    std::thread serving([&] { relay.Run(stop); });
    RelayTransport relayTransport("127.0.0.1", relay.Port(), secret);
    PosixClock clock;
    IpcLink relayed(relayTransport, clock, 0);
    TcpHops tcpHops;
    std::vector<double> directSamples;
    std::vector<double> relayedSamples;
    std::vector<double> tcpHopsSamples;
    const auto time = [](IpcLink& link, std::vector<double>& samples) {
        const auto start = Clock::now();
        const bool ok = ReadAircraftPosition(link).ok;
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        return ok;
    };
    for (int i = 0; i < exchanges && round.ok; ++i) {
        round.ok = time(direct, directSamples) && time(relayed, relayedSamples);
    }
    stop = true;
    serving.join();
    // Apart from the exchanges, so as not to change what they see.
    for (int i = 0; i < exchanges && round.ok; ++i) {
        round.ok = tcpHops.Time(tcpHopsSamples);
    }
    round.directMedian = Median(directSamples);
    round.relayedMedian = Median(relayedSamples);
    round.tcpHopsMedian = Median(tcpHopsSamples);
    return round;
}

// The ratio of the medians is taken over several rounds, each with a relay thread of its own: where
// the system happens to place the threads on a small machine moves a single round's ratio by a tenth
// or more, which one round would take for the relay's own cost.
void PositionThroughRelay(benchmark::State& state) {
    const ScratchRuntimeFolder folder;
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {});
    if (!simulator.IsReady()) {
        state.SkipWithError("the stand-in simulator did not start");
        return;
    }
    IpcLink direct(0);
    std::vector<Round> measured;
    for (auto _ : state) {
        measured.push_back(MeasureRound(direct, exchangesPerRound));
        if (!measured.back().ok) {
            state.SkipWithError("the relay did not start or an exchange failed");
            return;
        }
    }
    std::sort(measured.begin(), measured.end(), [](const Round& a, const Round& b) {
        return a.relayedMedian * b.directMedian < b.relayedMedian * a.directMedian;
    });
    const Round& middle = measured[measured.size() / 2];
    const double ratio = middle.relayedMedian / middle.directMedian;
    state.counters["direct_median_us"] = middle.directMedian;
    state.counters["relay_median_us"] = middle.relayedMedian;
    state.counters["ratio"] = ratio;
    state.counters["tcp_hops_us"] = middle.tcpHopsMedian;
    state.counters["relay_own_us"] = middle.relayedMedian - middle.directMedian - middle.tcpHopsMedian;
    state.counters["best_ratio"] = measured.front().relayedMedian / measured.front().directMedian;
    state.counters["worst_ratio"] = measured.back().relayedMedian / measured.back().directMedian;
    if (ratio > mostRatio) {
        state.SkipWithError(("the relay's median exchange is " + std::to_string(ratio) +
                             " times the direct one in the middle round, more than 1.8 (" +
                             std::to_string(middle.relayedMedian) + " us against " +
                             std::to_string(middle.directMedian) + " us)")
                                .c_str());
    }
}
BENCHMARK(PositionThroughRelay)->Iterations(rounds)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
