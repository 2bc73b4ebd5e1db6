#include "tools/bitmaps/IndexedBitmap.h"

namespace {

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::size_t RowBytes(const IndexedBitmap& bitmap) {
    return static_cast<std::size_t>((bitmap.width * bitmap.bitsPerPixel + 31) / 32 * 4);
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const IndexedBitmap& bitmap) {
    constexpr std::uint32_t fileHeaderSize = 14;
    constexpr std::uint32_t infoHeaderSize = 40;
    const auto colours = static_cast<std::uint32_t>(bitmap.palette.size());
    const auto pixelOffset = fileHeaderSize + infoHeaderSize + 4 * colours;
    const auto rowBytes = RowBytes(bitmap);
    const auto imageSize = static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(bitmap.height));

    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutLittleEndian(out, pixelOffset + imageSize, 4);
    PutLittleEndian(out, 0, 4);  // reserved
    PutLittleEndian(out, pixelOffset, 4);

    PutLittleEndian(out, infoHeaderSize, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(bitmap.width), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(bitmap.height), 4);  // positive: rows bottom up
    PutLittleEndian(out, 1, 2);                                          // planes
    PutLittleEndian(out, static_cast<std::uint32_t>(bitmap.bitsPerPixel), 2);
    PutLittleEndian(out, 0, 4);  // BI_RGB, uncompressed
    PutLittleEndian(out, imageSize, 4);
    PutLittleEndian(out, 2835, 4);  // 72 dots per inch, in dots per metre
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, colours, 4);
    PutLittleEndian(out, colours, 4);  // every colour counts

    for (const Rgb& colour : bitmap.palette) {
        out.insert(out.end(), {colour.b, colour.g, colour.r, 0});
    }
    for (int y = bitmap.height - 1; y >= 0; --y) {
        const auto rowStart = out.size();
        const auto* row = &bitmap.indices[static_cast<std::size_t>(y * bitmap.width)];
        if (bitmap.bitsPerPixel == 8) {
            out.insert(out.end(), row, row + bitmap.width);
        } else {
            for (int x = 0; x < bitmap.width; x += 2) {
                const int right = x + 1 < bitmap.width ? row[x + 1] & 0x0F : 0;
                out.push_back(static_cast<std::uint8_t>((row[x] & 0x0F) << 4 | right));
            }
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return out;
}
