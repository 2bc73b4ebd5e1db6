#include "tools/bitmaps/PaletteBitmaps.h"

#include "tools/bitmaps/IndexedBitmap.h"
#include "tools/bitmaps/PalettePictures.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int defaultSize = 63;
constexpr int secondSize = 64;
constexpr int frameWidth = 3;  // the pressed button's frame along each edge

// Grid places (row * 10 + column) that carry a picture button.
constexpr std::array defaultPlaces{11, 12, 13, 14, 21, 23, 24, 31, 32, 33, 34, 41, 42, 51, 52, 53};
constexpr std::array secondPlaces{11, 12, 13, 14, 21, 22, 23, 24, 31, 32,
                                  33, 34, 41, 42, 43, 44, 51, 52, 53, 54};

enum DefaultColour : std::uint8_t { white, red, darkGreen, lightGreen };

// Silhouette colours first; the rest is the usual 16-colour set so that the palette is complete.
const std::vector<Rgb> defaultPalette{{255, 255, 255}, {255, 0, 0},   {0, 100, 0},   {130, 226, 100},
                                      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                      {128, 128, 128}, {255, 255, 0}, {0, 0, 255},   {255, 0, 255}};

constexpr Rgb paperWhite{255, 255, 255};
constexpr Rgb nearBlack{24, 24, 24};

// The column digits in a 5 x 7 pixel face, drawn twice the size.
constexpr std::array<std::array<const char*, 7>, 4> digitFace{{
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},
    {"####.", "....#", "....#", ".###.", "....#", "....#", "####."},
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},
}};

void DrawDigit(IndexedBitmap& bitmap, int digit, int left, int top) {
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 5; ++column) {
            if (digitFace[static_cast<std::size_t>(digit - 1)][static_cast<std::size_t>(row)][column] ==
                '#') {
                for (int k = 0; k < 4; ++k) {
                    bitmap.At(left + 2 * column + k % 2, top + 2 * row + k / 2) = red;
                }
            }
        }
    }
}

void DrawFrame(IndexedBitmap& bitmap, std::uint8_t colour) {
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            if (std::min({x, y, bitmap.width - 1 - x, bitmap.height - 1 - y}) < frameWidth) {
                bitmap.At(x, y) = colour;
            }
        }
    }
}

// Dark green silhouette with a light green outline just outside it, and the column digit in red.
IndexedBitmap DefaultPicture(int place) {
    IndexedBitmap bitmap{defaultSize, defaultSize, 4, defaultPalette,
                         std::vector<std::uint8_t>(defaultSize * defaultSize, white)};
    const auto covered = Silhouette(DefaultPageTree(place / 10, place % 10), defaultSize);
    auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < defaultSize && y < defaultSize &&
               covered[static_cast<std::size_t>(y * defaultSize + x)];
    };
    for (int y = 0; y < defaultSize; ++y) {
        for (int x = 0; x < defaultSize; ++x) {
            if (inside(x, y)) {
                bitmap.At(x, y) = darkGreen;
            } else if (inside(x - 1, y) || inside(x + 1, y) || inside(x, y - 1) || inside(x, y + 1)) {
                bitmap.At(x, y) = lightGreen;
            }
        }
    }
    DrawDigit(bitmap, place % 10, 5, 5);
    return bitmap;
}

Rgb ToRgb(const Colour& c) {
    auto channel = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return {channel(c.r), channel(c.g), channel(c.b)};
}

int ColourDistance(const Rgb& a, const Rgb& b) {
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

// The picture's colours are matched among the entries after white, so that only the ground is white.
std::uint8_t NearestEntry(const std::vector<Rgb>& palette, const Rgb& colour) {
    std::size_t best = 1;
    for (std::size_t i = 2; i < palette.size(); ++i) {
        if (ColourDistance(colour, palette[i]) < ColourDistance(colour, palette[best])) {
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// Median cut: splits the colours along their widest channel until there are `count` boxes, and
// takes each box's mean, so that the palette follows the greens and browns that the picture holds.
std::vector<Rgb> MedianCut(std::vector<Rgb> colours, std::size_t count) {
    using Box = std::pair<std::size_t, std::size_t>;
    auto channelOf = [](const Rgb& c, int channel) { return channel == 0 ? c.r : channel == 1 ? c.g : c.b; };
    auto widest = [&](const Box& box, int& channel) {
        int best = 0;
        for (int k = 0; k < 3; ++k) {
            const auto [low, high] = std::minmax_element(
                colours.begin() + static_cast<long>(box.first),
                colours.begin() + static_cast<long>(box.second),
                [&](const Rgb& a, const Rgb& b) { return channelOf(a, k) < channelOf(b, k); });
            if (channelOf(*high, k) - channelOf(*low, k) > best) {
                best = channelOf(*high, k) - channelOf(*low, k);
                channel = k;
            }
        }
        return best;
    };
    std::vector<Box> boxes;
    if (!colours.empty()) {
        boxes.emplace_back(0, colours.size());
    }
    while (boxes.size() < count) {
        int bestRange = 0, bestChannel = 0;
        std::size_t bestBox = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            int channel = 0;
            const int range = widest(boxes[i], channel);
            if (range > bestRange) {
                bestRange = range, bestChannel = channel, bestBox = i;
            }
        }
        if (bestRange == 0) {
            break;
        }
        const Box box = boxes[bestBox];
        const auto first = colours.begin() + static_cast<long>(box.first),
                   last = colours.begin() + static_cast<long>(box.second);
        std::stable_sort(first, last, [&](const Rgb& a, const Rgb& b) {
            return channelOf(a, bestChannel) < channelOf(b, bestChannel);
        });
        const std::size_t middle = (box.first + box.second) / 2;
        boxes[bestBox] = {box.first, middle};
        boxes.emplace_back(middle, box.second);
    }
    std::vector<Rgb> means;
    for (const Box& box : boxes) {
        long r = 0, g = 0, b = 0;
        const auto n = static_cast<long>(box.second - box.first);
        for (std::size_t i = box.first; i < box.second; ++i) {
            r += colours[i].r, g += colours[i].g, b += colours[i].b;
        }
        means.push_back({static_cast<std::uint8_t>((r + n / 2) / n),
                         static_cast<std::uint8_t>((g + n / 2) / n),
                         static_cast<std::uint8_t>((b + n / 2) / n)});
    }
    return means;
}

// The rendered tree in 256 colours: white and the frame's near-black first, then the picture's own.
IndexedBitmap SecondPicture(int place) {
    const auto picture = Photograph(SecondPageTree(place / 10, place % 10), secondSize);
    std::vector<Rgb> pixels, colours;
    for (const Colour& c : picture) {
        pixels.push_back(ToRgb(c));
        if (!(pixels.back() == paperWhite)) {
            colours.push_back(pixels.back());
        }
    }
    std::vector<Rgb> palette{paperWhite, nearBlack};
    for (const Rgb& c : MedianCut(colours, 254)) {
        palette.push_back(c);
    }
    palette.resize(256, nearBlack);
    IndexedBitmap bitmap{secondSize, secondSize, 8, palette, {}};
    for (const Rgb& pixel : pixels) {
        bitmap.indices.push_back(pixel == paperWhite ? 0 : NearestEntry(palette, pixel));
    }
    return bitmap;
}

void AddPair(std::vector<PaletteBitmapFile>& files, const std::string& stem, IndexedBitmap picture,
             std::uint8_t frameColour) {
    files.push_back({stem + "U.bmp", EncodeBmp(picture)});
    DrawFrame(picture, frameColour);
    files.push_back({stem + "D.bmp", EncodeBmp(picture)});
}

}  // namespace

std::vector<PaletteBitmapFile> PaletteBitmapFiles() {
    std::vector<PaletteBitmapFile> files;
    for (const int place : defaultPlaces) {
        AddPair(files, "TREE" + std::to_string(place), DefaultPicture(place), red);
    }
    for (const int place : secondPlaces) {
        AddPair(files, "V" + std::to_string(place), SecondPicture(place), 1);
    }
    return files;
}
