#pragma once

#include <cstdint>

// The process's one pseudo-random generator: the headings of saved objects are drawn from it, and
// planting seeds it with the time. Its sequence is the classic linear congruential one, so a process
// that never seeds it draws 41, 18467, 6334, ... like any program that never called srand.
namespace SharedRandom {

// Sets the generator's state to the seed.
void Seed(std::uint32_t seed);

// The state as it stands: seeding with it carries on the same sequence (a recovered session does).
std::uint32_t State();

// Draws the next value, 0 to 32767.
int Next();

// The largest value Next can give.
inline constexpr int maxValue = 0x7FFF;

}  // namespace SharedRandom
