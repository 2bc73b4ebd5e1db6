// The byte layout the server relies on.
#include "simlink/RequestArea.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

std::vector<unsigned> Bytes(const std::byte* at, std::size_t length) {
    std::vector<unsigned> bytes;
    for (std::size_t i = 0; i < length; ++i) {
        bytes.push_back(std::to_integer<unsigned>(at[i]));
    }
    return bytes;
}

TEST(RequestArea, RecordsAreLittleEndianHeadersWithZeroedOrCopiedData) {
    std::array<std::byte, 48> area;
    area.fill(std::byte{0xEE});
    const std::array<std::byte, 2> clientVersion{std::byte{0xEC}, std::byte{0x03}};
    EXPECT_EQ(RequestArea::PutRead(area.data(), 0x0560, 8, 0x01020304), 24u);
    EXPECT_EQ(RequestArea::PutWrite(area.data() + 24, 0x330A, 2, clientVersion.data()), 14u);
    RequestArea::PutEndMarker(area.data() + 38);
    EXPECT_EQ(Bytes(area.data(), 43),
              (std::vector<unsigned>{1, 0, 0, 0, 0x60, 0x05, 0,    0,    8, 0, 0, 0, 4,   3,    2,
                                     1, 0, 0, 0, 0,    0,    0,    0,    0, 2, 0, 0, 0,   0x0A, 0x33,
                                     0, 0, 2, 0, 0,    0,    0xEC, 0x03, 0, 0, 0, 0, 0xEE}));
}

}  // namespace
