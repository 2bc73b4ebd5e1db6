#include "tools/bglcomp/CompileTime.h"

#include <charconv>
#include <chrono>
#include <limits>

namespace Bglcomp {

namespace {
constexpr std::uint64_t ticksPerSecond = 10'000'000u;
constexpr std::uint64_t secondsFrom1601To1970 = 11'644'473'600u;
constexpr std::uint64_t latestSeconds = std::numeric_limits<std::uint64_t>::max() / ticksPerSecond - secondsFrom1601To1970;
}  // namespace

std::uint64_t FileTimeOfUnixSeconds(std::uint64_t seconds) {
    return (seconds + secondsFrom1601To1970) * ticksPerSecond;
}

std::uint64_t FileTimeNow() {
    using namespace std::chrono;
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    const auto ticks = duration_cast<duration<std::int64_t, std::ratio<1, 10'000'000>>>(sinceEpoch).count();
    return secondsFrom1601To1970 * ticksPerSecond + static_cast<std::uint64_t>(ticks);
}

std::optional<std::uint64_t> FileTimeOfSourceDateEpoch(std::string_view text) {
    std::uint64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || seconds > latestSeconds) {
        return std::nullopt;
    }
    return FileTimeOfUnixSeconds(seconds);
}

}  // namespace Bglcomp
