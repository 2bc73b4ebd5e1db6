#pragma once

#include <cstddef>
#include <span>

// The relay's walk over a client's request area before any of it reaches the simulator: records
// well formed and whole within the area, the area within the link's capacity, and writes refused
// except the handshake's client version (2 bytes at 0x330A) unless writes are allowed.
bool CheckClientArea(std::span<const std::byte> area, bool allowWrites);
