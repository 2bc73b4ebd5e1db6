// One "Plant tree" exchange (the three position reads) against the stand-in simulator over the POSIX
// transport, beside a bare local-socket round trip to another process as the floor: once waiting
// for the answer asleep, once waiting busily for up to 200 microseconds first as the transport does.
// Each reports the median and 99th percentile of single exchanges; the target for the exchange is a
// median of at most 50 microseconds.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "simlink/ReadAircraftPosition.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

class Latencies {
public:
    Latencies() { samples.reserve(1 << 20); }
    void Add(Clock::duration took) {
        if (samples.size() < samples.capacity()) {
            samples.push_back(std::chrono::duration<double, std::micro>(took).count());
        }
    }
    void Report(benchmark::State& state) {
        if (samples.empty()) {
            return;
        }
        std::sort(samples.begin(), samples.end());
        state.counters["median_us"] = samples[samples.size() / 2];
        state.counters["p99_us"] = samples[samples.size() * 99 / 100];
    }

private:
    std::vector<double> samples;
};

void PositionExchange(benchmark::State& state) {
    const ScratchRuntimeFolder folder;
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {});
    if (!simulator.IsReady()) {
        state.SkipWithError("the stand-in simulator did not start");
        return;
    }
    IpcLink link(0);
    if (link.GetResult() != IpcResult::Okay) {
        state.SkipWithError(link.GetResultText());
        return;
    }
    Latencies latencies;
    for (auto _ : state) {
        const auto start = Clock::now();
        const AircraftPositionReading reading = ReadAircraftPosition(link);
        latencies.Add(Clock::now() - start);
        if (!reading.ok) {
            state.SkipWithError(link.GetResultText());
            break;
        }
        benchmark::DoNotOptimize(reading.latitude);
    }
    latencies.Report(state);
}

void AwaitBriefly(int descriptor) {
    const auto until = Clock::now() + std::chrono::microseconds(200);
    char first = 0;
    while (recv(descriptor, &first, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && Clock::now() < until) {
        sched_yield();
    }
}

// The same request and answer sizes as the link's frames, echoed by a child process. Argument 1:
// wait busily for a moment before sleeping.
void BareSocketRoundTrip(benchmark::State& state) {
    const bool busily = state.range(0) == 1;
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) {
        state.SkipWithError("socketpair failed");
        return;
    }
    constexpr std::size_t requestSize = 37;
    constexpr std::size_t answerSize = 8;
    const pid_t echo = fork();
    if (echo == 0) {
        close(sockets[0]);
        std::array<char, requestSize> request{};
        const std::array<char, answerSize> answer{};
        while (recv(sockets[1], request.data(), request.size(), MSG_WAITALL) == static_cast<ssize_t>(requestSize)) {
            if (send(sockets[1], answer.data(), answer.size(), 0) != static_cast<ssize_t>(answerSize)) {
                break;
            }
        }
        _exit(0);
    }
    close(sockets[1]);
    Latencies latencies;
    std::array<char, requestSize> request{};
    std::array<char, answerSize> answer{};
    for (auto _ : state) {
        const auto start = Clock::now();
        bool echoed = send(sockets[0], request.data(), request.size(), 0) == static_cast<ssize_t>(requestSize);
        if (busily) {
            AwaitBriefly(sockets[0]);
        }
        echoed = echoed &&
                 recv(sockets[0], answer.data(), answer.size(), MSG_WAITALL) == static_cast<ssize_t>(answerSize);
        latencies.Add(Clock::now() - start);
        if (!echoed) {
            state.SkipWithError("the echo process went away");
            break;
        }
    }
    close(sockets[0]);
    waitpid(echo, nullptr, 0);
    latencies.Report(state);
}

}  // namespace

BENCHMARK(BareSocketRoundTrip)->ArgName("busily")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(PositionExchange)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

BENCHMARK_MAIN();
