#include "document/journal/Crc32.h"

#include <array>
#include <cstring>

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// tables[0] is the byte-at-a-time table; tables[k][b] is the CRC of byte b followed by k zero bytes,
// so that eight bytes are folded in with eight look-ups.
constexpr Tables MakeTables() {
    Tables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        tables[0][byte] = crc;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const std::uint32_t previous = tables[k - 1][byte];
            tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

constexpr Tables tables = MakeTables();

std::uint32_t LoadLe32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    crc = ~crc;
    for (; left >= 8; left -= 8, at += 8) {
        const std::uint32_t low = LoadLe32(at) ^ crc;
        const std::uint32_t high = LoadLe32(at + 4);
        crc = tables[7][low & 0xFFu] ^ tables[6][(low >> 8) & 0xFFu] ^ tables[5][(low >> 16) & 0xFFu] ^
              tables[4][low >> 24] ^ tables[3][high & 0xFFu] ^ tables[2][(high >> 8) & 0xFFu] ^
              tables[1][(high >> 16) & 0xFFu] ^ tables[0][high >> 24];
    }
    for (; left > 0; --left, ++at) {
        crc = (crc >> 8) ^ tables[0][(crc ^ *at) & 0xFFu];
    }
    return ~crc;
}
