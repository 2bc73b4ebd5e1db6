#include "tests/support/TemporaryFolder.h"
#include "tools/bitmaps/PaletteBitmaps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

const std::filesystem::path committed = GROVEWRIGHT_BITMAPS;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgb& c) {
        return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
    }
};

struct Page {
    std::string prefix;
    std::vector<int> places;  // row * 10 + column of each picture button
    int size;
    int bitsPerPixel;
    bool (*isFrame)(Rgb);
};

const std::vector<Page> pages{
    {"TREE",
     {11, 12, 13, 14, 21, 23, 24, 31, 32, 33, 34, 41, 42, 51, 52, 53},
     63,
     4,
     [](Rgb c) {
         return c == Rgb{255, 0, 0};
     }},
    {"V",
     {11, 12, 13, 14, 21, 22, 23, 24, 31, 32, 33, 34, 41, 42, 43, 44, 51, 52, 53, 54},
     64,
     8,
     [](Rgb c) { return c.r < 48 && c.g < 48 && c.b < 48; }},
};

std::uint32_t Little(const std::string& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// Reads a bitmap on its own terms, so that a fault of the writer is not mirrored here; pixels top down.
std::vector<Rgb> Decode(const std::string& bytes, const Page& page) {
    const std::uint32_t colours = std::uint32_t{1} << page.bitsPerPixel;
    const std::size_t rowBytes = static_cast<std::size_t>((page.size * page.bitsPerPixel + 31) / 32 * 4);
    const std::size_t offset = 54 + 4 * colours;
    EXPECT_EQ(bytes.size(), offset + rowBytes * static_cast<std::size_t>(page.size));
    if (bytes.size() != offset + rowBytes * static_cast<std::size_t>(page.size)) {
        return {};
    }
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    const std::vector<std::pair<std::size_t, std::uint32_t>> fields{
        {2, std::uint32_t(bytes.size())},
        {10, std::uint32_t(offset)},
        {14, 40},
        {18, std::uint32_t(page.size)},
        {22, std::uint32_t(page.size)},  // positive: rows bottom up
        {30, 0},                         // uncompressed
    };
    for (const auto& [at, expected] : fields) {
        EXPECT_EQ(Little(bytes, at, 4), expected) << "header field at " << at;
    }
    EXPECT_EQ(Little(bytes, 26, 2), 1u);
    EXPECT_EQ(Little(bytes, 28, 2), std::uint32_t(page.bitsPerPixel));
    const std::uint32_t used = Little(bytes, 46, 4);
    EXPECT_TRUE(used == colours || used == 0) << used << " colours";

    std::vector<Rgb> pixels;
    for (int y = 0; y < page.size; ++y) {
        const std::size_t row = offset + rowBytes * static_cast<std::size_t>(page.size - 1 - y);
        for (int x = 0; x < page.size; ++x) {
            auto byte =
                static_cast<std::uint8_t>(bytes[row + static_cast<std::size_t>(x * page.bitsPerPixel / 8)]);
            const std::size_t index = page.bitsPerPixel == 8 ? byte : x % 2 == 0 ? byte >> 4 : byte & 0x0F;
            const std::size_t entry = 54 + 4 * index;
            pixels.push_back({static_cast<std::uint8_t>(bytes[entry + 2]),
                              static_cast<std::uint8_t>(bytes[entry + 1]),
                              static_cast<std::uint8_t>(bytes[entry])});
        }
    }
    return pixels;
}

template <typename Check>
void ForEachEdgePixel(const std::vector<Rgb>& pixels, int size, Check check) {
    for (int i = 0; i < size; ++i) {
        for (const auto& [x, y] : {std::pair{i, 0}, {i, size - 1}, {0, i}, {size - 1, i}}) {
            check(pixels[static_cast<std::size_t>(y * size + x)], x, y);
        }
    }
}

}  // namespace

TEST(PaletteBitmaps, EachButtonHasItsUpAndDownBitmapsAtTheirSizeDepthGroundAndFrame) {
    std::set<std::vector<int>> distinctPictures;
    for (const Page& page : pages) {
        for (const int place : page.places) {
            const std::string stem = page.prefix + std::to_string(place);
            SCOPED_TRACE(stem);
            const auto up = Decode(ReadBytes(committed / (stem + "U.bmp")), page);
            const auto down = Decode(ReadBytes(committed / (stem + "D.bmp")), page);
            ASSERT_FALSE(up.empty() || down.empty());
            ForEachEdgePixel(up, page.size, [](Rgb c, int x, int y) {
                EXPECT_EQ(c, (Rgb{255, 255, 255})) << "up at " << x << "," << y;
            });
            ForEachEdgePixel(down, page.size, [&](Rgb c, int x, int y) {
                EXPECT_TRUE(page.isFrame(c)) << "down at " << x << "," << y;
            });
            const auto centre = static_cast<std::size_t>(page.size / 2 * (page.size + 1));
            EXPECT_EQ(up[centre], down[centre]) << "the down bitmap shows the same picture";
            std::vector<int> flat;
            for (const Rgb& c : up) {
                flat.insert(flat.end(), {c.r, c.g, c.b});
            }
            distinctPictures.insert(flat);
        }
    }
    EXPECT_EQ(distinctPictures.size(), 36u) << "every button shows its own model";
}

TEST(PaletteBitmaps, CommittedFilesAreWhatTheGeneratorDraws) {
    const auto files = PaletteBitmapFiles();
    EXPECT_EQ(files.size(), 72u);
    for (const PaletteBitmapFile& file : files) {
        const std::string drawn(file.bytes.begin(), file.bytes.end());
        const std::string stored = ReadBytes(committed / file.name);
        const auto mismatch = std::mismatch(drawn.begin(), drawn.end(), stored.begin(), stored.end());
        EXPECT_TRUE(mismatch.first == drawn.end() && mismatch.second == stored.end())
            << file.name << " differs from byte " << (mismatch.first - drawn.begin())
            << ": regenerate with the palette-bitmaps target";
    }
}
