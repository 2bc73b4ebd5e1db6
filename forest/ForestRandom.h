#pragma once

#include <cstdint>
#include <random>

// The one source of chance for forest planting. The engine's raw output is fixed by the language
// for a given seed, and every value drawn from it is mapped here with integer operations and exact
// scalings only, so that a seed gives the same trees in every library, build type and run (the
// standard distributions are not fixed and differ between libraries).
class ForestRandom {
public:
    explicit ForestRandom(std::uint64_t seed) : engine(seed) {}

    // The engine's next raw 64 bits, for callers that split one draw into several values.
    std::uint64_t NextBits() { return engine(); }

    // 32 raw bits: the high half of a draw, then its low half on the next call, for values that need
    // no more (the engine's draw costs as much as the rest of a sampler's candidate).
    std::uint32_t NextHalfBits() {
        if (spareHalf) {
            spareHalf = false;
            return static_cast<std::uint32_t>(half);
        }
        half = engine();
        spareHalf = true;
        return static_cast<std::uint32_t>(half >> 32);
    }

    // Uniform in [0, 1): the top 53 bits as a fraction, exact in a double.
    double NextUnit() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

    // Uniform in [-1, 1).
    double NextSigned() { return NextUnit() * 2.0 - 1.0; }

    // Uniform in 0 to count - 1 for a count below 2^32: the top 32 bits scaled by the count (its bias
    // is below 2^-32, far under anything a forest shows).
    std::uint32_t NextBelow(std::uint32_t count) {
        return static_cast<std::uint32_t>(((engine() >> 32) * std::uint64_t{count}) >> 32);
    }

private:
    std::mt19937_64 engine;
    std::uint64_t half = 0;
    bool spareHalf = false;
};
