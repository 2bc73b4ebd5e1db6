// One position exchange through the relay on loopback, with a secret (both ends proven, every frame
// sealed with its MAC), beside the direct exchange over the POSIX transport to the same stand-in
// simulator as its floor. Both run in one process, alternating, so that they see the same machine;
// in the middle of several rounds, the median through the relay must stay within 1.8 times the direct
// one, or the benchmark reports an error.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "simlink/ReadAircraftPosition.h"
#include "simlink/posix/PosixClock.h"
#include "simlink/posix/PosixTransport.h"
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

// Medians of the two exchanges, each through its own relay and connection.
struct Round {
    double directMedian = 0;
    double relayedMedian = 0;
    bool ok = true;
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
    std::vector<double> directSamples;
    std::vector<double> relayedSamples;
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
    round.directMedian = Median(directSamples);
    round.relayedMedian = Median(relayedSamples);
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
