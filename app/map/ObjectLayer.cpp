#include "app/map/ObjectLayer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/map/ObjectKind.h"

namespace {

constexpr QRgb outline = 0xff202020;
constexpr QRgb selectedFill = 0xffff2a8c;

struct Offset {
    int dx, dy;
};

// The pixels of a dot: a disc or a square of the dot's radius.
std::vector<Offset> Mask(bool square, int radius) {
    std::vector<Offset> mask;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (square || dx * dx + dy * dy <= radius * radius + radius / 2) {
                mask.push_back({dx, dy});
            }
        }
    }
    return mask;
}

struct Masks {
    std::array<std::vector<Offset>, 2> fill{Mask(false, ObjectLayer::dotRadius),
                                            Mask(true, ObjectLayer::dotRadius - 1)};
    std::array<std::vector<Offset>, 2> edge{Mask(false, ObjectLayer::dotRadius + 1),
                                            Mask(true, ObjectLayer::dotRadius)};
};

void Stamp(QImage& target, int x, int y, const std::vector<Offset>& mask, QRgb colour) {
    const int width = target.width();
    const int height = target.height();
    auto* pixels = reinterpret_cast<QRgb*>(target.bits());
    const qsizetype stride = target.bytesPerLine() / 4;
    if (x > ObjectLayer::dotRadius + 1 && y > ObjectLayer::dotRadius + 1 &&
        x < width - ObjectLayer::dotRadius - 2 && y < height - ObjectLayer::dotRadius - 2) {
        QRgb* centre = pixels + y * stride + x;
        for (const Offset& o : mask) {
            centre[o.dy * stride + o.dx] = colour;
        }
        return;
    }
    for (const Offset& o : mask) {
        const int px = x + o.dx;
        const int py = y + o.dy;
        if (px >= 0 && py >= 0 && px < width && py < height) {
            pixels[py * stride + px] = colour;
        }
    }
}

// A shade whose strength grows with the logarithm of the count.
QRgb Shade(std::uint32_t count, QRgb base) {
    const double strength = std::min(1.0, 0.25 + std::log2(1.0 + count) / 10.0);
    const int alpha = static_cast<int>(strength * 230);
    return qRgba(qRed(base) * alpha / 255, qGreen(base) * alpha / 255, qBlue(base) * alpha / 255, alpha);
}

QRgb Over(QRgb top, QRgb under) {
    const int keep = 255 - qAlpha(top);
    return qRgba(qRed(top) + qRed(under) * keep / 255, qGreen(top) + qGreen(under) * keep / 255,
                 qBlue(top) + qBlue(under) * keep / 255, qAlpha(top) + qAlpha(under) * keep / 255);
}

}  // namespace

QRgb ObjectLayer::FamilyColour(int family) {
    static constexpr std::array<QRgb, familyCount> colours = {
        0xff3cb043,  // deciduous: leaf green
        0xff1b7f5a,  // evergreen: dark teal green
        0xff0b4f2a,  // conifer: deep green
        0xffb5a22c,  // shrubs, bushes, cacti: olive
        0xffe07b1f,  // palms: orange
        0xff8c8c8c,  // unknown GUIDs: grey
    };
    return colours[static_cast<std::size_t>(std::clamp(family, 0, familyCount - 1))];
}

void ObjectLayer::Draw(QImage& target, const MercatorView& view, const MapObjectIndex& index,
                       const std::vector<bool>& selected) {
    static const Masks masks;
    const int width = target.width();
    const int height = target.height();
    const int binColumns = (width + binSize - 1) / binSize;
    const int binRows = (height + binSize - 1) / binSize;
    counts.assign(static_cast<std::size_t>(binColumns) * binRows, 0);
    selectedCounts.assign(counts.size(), 0);
    bool anyDense = false;

    const bool anySelected = !selected.empty();
    const double scale = view.PixelsPerUnit();
    const QPointF origin = view.ToUnit(QPointF(0, 0));
    const double margin = (dotRadius + 2) / scale;
    const QRectF visible(origin.x() - margin, origin.y() - margin, width / scale + 2 * margin,
                         height / scale + 2 * margin);
    // A dot needs about this many square pixels of its own.
    constexpr double dotArea = (2.0 * dotRadius + 1) * (2.0 * dotRadius + 1);
    bool dense = false;
    index.ForEachNear(
        visible,
        [&](std::size_t count, double unitArea, QPointF centre) {
            dense = unitArea > 0.0 ? static_cast<double>(count) * dotArea > unitArea * scale * scale
                                   : count > 20000;
            anyDense = anyDense || dense;
            // A cell within one bin with nothing selected adds its count at its centre, its objects
            // unvisited.
            if (dense && !anySelected && unitArea * scale * scale <= binSize * binSize) {
                const double sx = (centre.x() - origin.x()) * scale;
                const double sy = (centre.y() - origin.y()) * scale;
                if (sx >= 0 && sy >= 0 && sx < width && sy < height) {
                    counts[static_cast<std::size_t>(static_cast<int>(sy) / binSize) * binColumns +
                           static_cast<std::size_t>(static_cast<int>(sx) / binSize)] +=
                        static_cast<std::uint32_t>(count);
                }
                return false;
            }
            return true;
        },
        [&](std::uint32_t object, double x, double y, std::uint8_t kind) {
            const double sx = (x - origin.x()) * scale;
            const double sy = (y - origin.y()) * scale;
            if (sx < -dotRadius - 1 || sy < -dotRadius - 1 || sx >= width + dotRadius + 1 ||
                sy >= height + dotRadius + 1) {
                return;
            }
            const bool isSelected = anySelected && selected[object];
            if (dense) {
                if (sx < 0 || sy < 0 || sx >= width || sy >= height) {
                    return;
                }
                const std::size_t bin =
                    static_cast<std::size_t>(static_cast<int>(sy) / binSize) * binColumns +
                    static_cast<std::size_t>(static_cast<int>(sx) / binSize);
                ++(isSelected ? selectedCounts : counts)[bin];
                return;
            }
            const ObjectKind objectKind = ObjectKind::Unpacked(kind);
            const int library = objectKind.secondLibrary ? 1 : 0;
            const int px = static_cast<int>(std::lround(sx));
            const int py = static_cast<int>(std::lround(sy));
            Stamp(target, px, py, masks.edge[library], outline);
            Stamp(target, px, py, masks.fill[library],
                  isSelected ? selectedFill : FamilyColour(static_cast<int>(objectKind.family)));
        });
    if (!anyDense) {
        return;
    }
    auto* pixels = reinterpret_cast<QRgb*>(target.bits());
    const qsizetype stride = target.bytesPerLine() / 4;
    for (int row = 0; row < binRows; ++row) {
        for (int column = 0; column < binColumns; ++column) {
            const std::size_t bin = static_cast<std::size_t>(row) * binColumns + column;
            if (counts[bin] == 0 && selectedCounts[bin] == 0) {
                continue;
            }
            const QRgb shade = selectedCounts[bin] != 0 ? Shade(selectedCounts[bin], selectedFill)
                                                        : Shade(counts[bin], FamilyColour(0));
            const int bottom = std::min(height, (row + 1) * binSize);
            const int right = std::min(width, (column + 1) * binSize);
            for (int y = row * binSize; y < bottom; ++y) {
                QRgb* line = pixels + y * stride;
                for (int x = column * binSize; x < right; ++x) {
                    line[x] = Over(shade, line[x]);
                }
            }
        }
    }
}
