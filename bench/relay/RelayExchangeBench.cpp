// One position exchange through the relay on loopback, with a secret (both ends proven, every frame
// sealed with its MAC), beside the direct exchange over the POSIX transport to the same stand-in
// simulator as its floor. Both run in one process, alternating, so that they see the same machine;
// the median through the relay must stay within 1.8 times the direct one, or the benchmark reports
// an error.
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
const std::string secret = "correct horse battery staple";

double Median(std::vector<double>& samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

void PositionThroughRelay(benchmark::State& state) {
    const ScratchRuntimeFolder folder;
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {});
    PosixTransport serverTransport;
    RelaySettings settings;
    settings.secret = secret;
    RelayServer relay(settings, serverTransport);
    std::string problem;
    if (!simulator.IsReady() || !relay.Listen(problem)) {
        state.SkipWithError("the stand-in simulator or the relay did not start");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread serving([&] { relay.Run(stop); });
    IpcLink direct(0);
    RelayTransport relayTransport("127.0.0.1", relay.Port(), secret);
    PosixClock clock;
    IpcLink relayedLink(relayTransport, clock, 0);
    IpcLink* const relayed = &relayedLink;
    std::vector<double> directSamples;
    std::vector<double> relayedSamples;
    const auto time = [](IpcLink& link, std::vector<double>& samples) {
        const auto start = Clock::now();
        const bool ok = ReadAircraftPosition(link).ok;
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        return ok;
    };
    for (auto _ : state) {
        if (!time(direct, directSamples) || !time(*relayed, relayedSamples)) {
            state.SkipWithError("an exchange failed");
            break;
        }
    }
    stop = true;
    serving.join();
    const double directMedian = Median(directSamples);
    const double relayedMedian = Median(relayedSamples);
    state.counters["direct_median_us"] = directMedian;
    state.counters["relay_median_us"] = relayedMedian;
    state.counters["ratio"] = directMedian > 0 ? relayedMedian / directMedian : 0;
    if (relayedMedian > mostRatio * directMedian) {
        state.SkipWithError(("the relay's median exchange is " +
                             std::to_string(relayedMedian / directMedian) +
                             " times the direct one, more than 1.8 (" + std::to_string(relayedMedian) +
                             " us against " + std::to_string(directMedian) + " us)")
                                .c_str());
    }
}
BENCHMARK(PositionThroughRelay)->Iterations(5000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
