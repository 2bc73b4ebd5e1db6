#include "document/SharedRandom.h"

namespace {
std::uint32_t state = 1;
}

namespace SharedRandom {

void Seed(std::uint32_t seed) { state = seed; }

std::uint32_t State() { return state; }

int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace SharedRandom
