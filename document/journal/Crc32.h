#pragma once

#include <cstdint>
#include <string_view>

// The CRC-32 of zip, PNG and zlib (reflected polynomial 0xEDB88320, inverted before and after), as
// every journal record carries it. Continues from `crc` (0 to start). Sixteen bytes a step by
// carry-less multiplication where the processor has it and at least 64 bytes remain, else eight bytes a
// step through tables: a journal's records are mostly a few dozen bytes, where a byte-at-a-time CRC
// would cost more than everything else recovery does with them.
std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes);
