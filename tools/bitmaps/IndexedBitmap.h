#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A palette picture as the Windows bitmap resources hold it: one palette index per pixel, rows top down.
struct IndexedBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 8;               // 4 (16 colours) or 8 (256 colours)
    std::vector<Rgb> palette;           // exactly 2^bitsPerPixel entries
    std::vector<std::uint8_t> indices;  // width * height, row after row from the top

    std::uint8_t& At(int x, int y) { return indices[static_cast<std::size_t>(y * width + x)]; }
};

// The bytes of a .bmp file: file header, BITMAPINFOHEADER, the full palette, then the rows bottom up,
// each padded to a multiple of 4 bytes; 4-bit rows hold the left pixel of each pair in the high nibble.
std::vector<std::uint8_t> EncodeBmp(const IndexedBitmap& bitmap);
