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

// A shade whose strength grows with the logarithm of the count, full from `fullShade` objects on.
constexpr std::uint32_t fullShade = 182;
QRgb Shade(std::uint32_t count, QRgb base) {
    const double strength = std::min(1.0, 0.25 + std::log2(1.0 + count) / 10.0);
    const int alpha = static_cast<int>(strength * 230);
    return qRgba(qRed(base) * alpha / 255, qGreen(base) * alpha / 255, qBlue(base) * alpha / 255, alpha);
}

// The shades of one colour for every count, worked out once.
struct Shades {
    explicit Shades(QRgb base) {
        for (std::uint32_t count = 0; count <= fullShade; ++count) {
            byCount[count] = Shade(count, base);
        }
    }
    QRgb operator()(std::uint32_t count) const { return byCount[std::min(count, fullShade)]; }
    std::array<QRgb, fullShade + 1> byCount{};
};

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

const std::vector<std::uint32_t>& ObjectLayer::SelectedPerCell(const MapObjectIndex& index,
                                                               const std::vector<bool>& selected,
                                                               std::uint64_t selectionVersion) {
    if (countedIndex != &index || countedGeneration != index.Generation() ||
        countedSelection != selectionVersion || selectedPerCell.empty()) {
        selectedPerCell = index.CountPerCell(selected);
        countedIndex = &index;
        countedGeneration = index.Generation();
        countedSelection = selectionVersion;
    }
    return selectedPerCell;
}

void ObjectLayer::Draw(QImage& target, const MercatorView& view, const MapObjectIndex& index,
                       const std::vector<bool>& selected, std::uint64_t selectionVersion) {
    static const Masks masks;
    const int width = target.width();
    const int height = target.height();
    const int binColumns = (width + binSize - 1) / binSize;
    const int binRows = (height + binSize - 1) / binSize;
    counts.assign(static_cast<std::size_t>(binColumns) * binRows, 0);
    selectedCounts.assign(counts.size(), 0);
    bool anyDense = false;

    const bool anySelected = !selected.empty() && selected.size() >= index.Count();
    static const std::vector<std::uint32_t> noneSelected;
    const std::vector<std::uint32_t>& perCell =
        anySelected ? SelectedPerCell(index, selected, selectionVersion) : noneSelected;
    const double scale = view.PixelsPerUnit();
    const QPointF origin = view.ToUnit(QPointF(0, 0));
    const double margin = (dotRadius + 2) / scale;
    const QRectF visible(origin.x() - margin, origin.y() - margin, width / scale + 2 * margin,
                         height / scale + 2 * margin);
    // A dot needs about this many square pixels of its own.
    constexpr double dotArea = (2.0 * dotRadius + 1) * (2.0 * dotRadius + 1);
    bool dense = false;
    bool anyDot = false;
    // The current cell's selected objects: none, all, or some (each object's bit is read).
    enum class CellSelection { none, all, some } cellSelection = CellSelection::none;
    index.ForEachNear(
        visible,
        [&](std::size_t count, double unitArea, QPointF centre, std::size_t cell) {
            dense = unitArea > 0.0 ? static_cast<double>(count) * dotArea > unitArea * scale * scale
                                   : count > 20000;
            anyDense = anyDense || dense;
            const std::uint32_t chosen = anySelected ? perCell[cell] : 0;
            cellSelection = chosen == 0       ? CellSelection::none
                            : chosen == count ? CellSelection::all
                                              : CellSelection::some;
            // A grid cell within one bin adds its counts at its centre, its objects unvisited (the
            // tail, of no area, is always visited).
            if (dense && unitArea > 0.0 && unitArea * scale * scale <= binSize * binSize) {
                const double sx = (centre.x() - origin.x()) * scale;
                const double sy = (centre.y() - origin.y()) * scale;
                if (sx >= 0 && sy >= 0 && sx < width && sy < height) {
                    const std::size_t bin =
                        static_cast<std::size_t>(static_cast<int>(sy) / binSize) * binColumns +
                        static_cast<std::size_t>(static_cast<int>(sx) / binSize);
                    counts[bin] += static_cast<std::uint32_t>(count) - chosen;
                    selectedCounts[bin] += chosen;
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
            const bool isSelected = cellSelection == CellSelection::all ||
                                    (cellSelection == CellSelection::some && selected[object]);
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
            anyDot = true;
            Stamp(target, px, py, masks.edge[library], outline);
            Stamp(target, px, py, masks.fill[library],
                  isSelected ? selectedFill : FamilyColour(static_cast<int>(objectKind.family)));
        });
    if (anyDense) {
        FillBins(target, binColumns, binRows, anyDot);
    }
}

void ObjectLayer::FillBins(QImage& target, int binColumns, int binRows, bool overDots) {
    static const Shades plainShades(FamilyColour(0));
    static const Shades selectedShades(selectedFill);
    const int width = target.width();
    const int height = target.height();
    auto* pixels = reinterpret_cast<QRgb*>(target.bits());
    const qsizetype stride = target.bytesPerLine() / 4;
    const auto shadeOf = [&](std::size_t bin) {
        return selectedCounts[bin] != 0 ? selectedShades(selectedCounts[bin])
               : counts[bin] != 0       ? plainShades(counts[bin])
                                        : QRgb{0};
    };
    shadeLine.resize(static_cast<std::size_t>(width));
    for (int row = 0; row < binRows; ++row) {
        const std::size_t rowStart = static_cast<std::size_t>(row) * binColumns;
        const int bottom = std::min(height, (row + 1) * binSize);
        if (overDots) {
            // Blended bin by bin over what the dots left.
            for (int column = 0; column < binColumns; ++column) {
                const QRgb shade = shadeOf(rowStart + column);
                if (shade == 0) {
                    continue;
                }
                const int right = std::min(width, (column + 1) * binSize);
                for (int y = row * binSize; y < bottom; ++y) {
                    QRgb* line = pixels + y * stride;
                    for (int x = column * binSize; x < right; ++x) {
                        line[x] = line[x] == 0 ? shade : Over(shade, line[x]);
                    }
                }
            }
            continue;
        }
        // Nothing drawn yet in this transparent image: one line of the row's shades, copied.
        bool anyShade = false;
        for (int column = 0; column < binColumns; ++column) {
            const QRgb shade = shadeOf(rowStart + column);
            anyShade = anyShade || shade != 0;
            const int right = std::min(width, (column + 1) * binSize);
            std::fill(shadeLine.begin() + column * binSize, shadeLine.begin() + right, shade);
        }
        for (int y = row * binSize; anyShade && y < bottom; ++y) {
            std::copy(shadeLine.begin(), shadeLine.end(), pixels + y * stride);
        }
    }
}
