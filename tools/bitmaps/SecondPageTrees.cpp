#include "tools/bitmaps/PalettePictures.h"

#include <algorithm>
#include <array>
#include <cmath>

// The second page's models as lit solids on a 64 x 64 ground, standing on y = 60: foliage as hundreds
// of small clumps scattered through the crown's shape, lit from the upper left, with textured bark.
namespace {

constexpr double ground = 60;
constexpr double middle = 32;
constexpr double pi = 3.14159265358979;

constexpr Colour leaf{0.30, 0.47, 0.15};
constexpr Colour poplar{0.34, 0.50, 0.16};
constexpr Colour willow{0.46, 0.58, 0.22};
constexpr Colour acacia{0.38, 0.46, 0.18};
constexpr Colour fir{0.11, 0.29, 0.19};
constexpr Colour cypress{0.11, 0.25, 0.13};
constexpr Colour blueNeedles{0.17, 0.32, 0.30};
constexpr Colour pineNeedles{0.20, 0.35, 0.17};
constexpr Colour bark{0.38, 0.30, 0.23};
constexpr Colour pineBark{0.56, 0.34, 0.22};
constexpr Colour palmTrunk{0.58, 0.51, 0.40};
constexpr Colour frond{0.30, 0.50, 0.19};
constexpr Colour fanShade{0.24, 0.42, 0.20};
constexpr Colour deadFrond{0.58, 0.47, 0.30};

// Squares by multiplying, so that the pictures come out the same whatever the optimisation.
double Square(double v) {
    return v * v;
}

double Lambert(double nx, double ny, double nz) {
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    return std::max(0.0, (-0.58 * nx - 0.55 * ny + 0.60 * nz) / length);
}

// The crown's bounding ellipse: it gives each clump its depth and the light of its side of the crown.
struct Crown {
    double x, y, rx, ry;
};

Colour Vary(const Colour& c, SceneRandom& rng) {
    const double k = rng.Between(0.88, 1.12), warm = rng.Between(-0.03, 0.03);
    return {c.r * k + warm, c.g * k, c.b * k - warm};
}

// Scatters `count` clumps over the part of the crown where `inside` holds; `aspect` is height over width.
// The clumps gather into a few larger masses, each rounded and lit on its own, as a real crown is lumpy;
// clumps deep in the crown get a dark, wider shadow behind them so that gaps show shade, not ground.
template <typename Inside>
void Foliage(TreeScene& s, SceneRandom& rng, const Crown& c, Inside inside, int count, double size,
             Colour tint, double aspect = 1) {
    auto pick = [&](double& x, double& y) {
        for (int tries = 0; tries < 200; ++tries) {
            x = rng.Between(c.x - c.rx, c.x + c.rx), y = rng.Between(c.y - c.ry, c.y + c.ry);
            if (inside(x, y)) {
                return true;
            }
        }
        return false;
    };
    std::vector<std::pair<double, double>> masses(static_cast<std::size_t>(std::max(3, count / 42)));
    for (auto& [mx, my] : masses) {
        pick(mx, my);
    }
    const double massRadius = 1.1 * std::sqrt(c.rx * c.ry * pi / static_cast<double>(masses.size()));
    double x = 0, y = 0;
    for (int placed = 0; placed < count && pick(x, y); ++placed) {
        auto nearest = masses.front();
        for (const auto& m : masses) {
            if (std::hypot(x - m.first, y - m.second) < std::hypot(x - nearest.first, y - nearest.second)) {
                nearest = m;
            }
        }
        const double mx = (x - nearest.first) / massRadius, my = (y - nearest.second) / massRadius;
        const double mz = std::sqrt(std::max(0.05, 1 - mx * mx - my * my));
        const double dx = (x - c.x) / c.rx, dy = (y - c.y) / c.ry;
        const double dz = std::sqrt(std::max(0.05, 1 - dx * dx - dy * dy));
        const double z = dz * (c.rx + c.ry) / 2 * rng.Between(0.6, 0.9) + mz * massRadius * 0.5;
        const double light = (0.40 + 0.75 * Lambert(dx, dy, dz)) * (0.62 + 0.5 * Lambert(mx, my, mz)) *
                             rng.Between(0.92, 1.08);
        const double r = size * rng.Between(0.6, 1.1);
        if (dx * dx + dy * dy < 0.55) {
            s.blobs.push_back({x, y, z - 3, r * 1.7, r * 1.7 * aspect, tint, 0.42});
        }
        s.blobs.push_back({x, y, z, r, r * aspect, Vary(tint, rng), light * 1.1});
    }
}

void FoliageEllipse(TreeScene& s, SceneRandom& rng, const Crown& c, int count, double size, Colour tint,
                    double aspect = 1) {
    Foliage(
        s, rng, c,
        [&](double x, double y) { return Square((x - c.x) / c.rx) + Square((y - c.y) / c.ry) < 1; }, count,
        size, tint, aspect);
}

void Limb(TreeScene& s, double x0, double y0, double x1, double y1, double w0, double w1, Colour tint,
          double z = 0) {
    s.limbs.push_back({x0, y0, x1, y1, w0, w1, z, tint, 0});
}

void Shadow(TreeScene& s, double x, double rx) {
    s.shadowX = x + 3, s.shadowY = ground, s.shadowRx = rx, s.shadowRy = 2.5;
}

// A feather palm's frond: an arching midrib with leaflets hanging from both sides.
void PinnateFrond(TreeScene& s, SceneRandom& rng, double x, double y, double angle, double length, double z) {
    double px = x, py = y;
    const double droop = length * 0.55;
    for (int i = 1; i <= 12; ++i) {
        const double t = i / 12.0;
        const double nx = x + std::cos(angle) * length * t,
                     ny = y + std::sin(angle) * length * t + droop * t * t;
        Limb(s, px, py, nx, ny, 1.1, 0.8, frond, z);
        const double dx = nx - px, dy = ny - py, d = std::sqrt(dx * dx + dy * dy);
        for (const int side : {-1, 1}) {
            double lx = -dy / d * side, ly = dx / d * side + 0.9;
            const double ll = std::sqrt(lx * lx + ly * ly), leaflet = 6.5 * (1 - 0.6 * t);
            lx /= ll, ly /= ll;
            Limb(s, nx, ny, nx + lx * leaflet, ny + ly * leaflet, 1.3, 0.3, Vary(frond, rng), z - 0.3);
        }
        px = nx, py = ny;
    }
}

// A fan palm's leaf: a stalk ending in a round fan of stiff, pleated segments.
void FanLeaf(TreeScene& s, SceneRandom& rng, double x, double y, double angle, double length, double z) {
    const double fx = x + std::cos(angle) * length * 0.4, fy = y + std::sin(angle) * length * 0.4;
    Limb(s, x, y, fx, fy, 1.0, 0.8, palmTrunk, z);
    for (int i = 0; i < 17; ++i) {
        const double a = angle + (i - 8) * 0.14 + rng.Between(-0.04, 0.04);
        const double reach = length * rng.Between(0.5, 0.6);
        Limb(s, fx, fy, fx + std::cos(a) * reach, fy + std::sin(a) * reach, 1.6, 0.4,
             Vary(i % 2 == 0 ? frond : fanShade, rng), z + 0.2);
    }
}

// A conifer's whorls: flat clumps along each tier, the tips drooping, the tiers widening downward.
void Whorls(TreeScene& s, SceneRandom& rng, double top, double bottom, double halfWidth, int tiers,
            double droop, Colour tint) {
    // The shaded inside of the tree, seen through the gaps between the tiers.
    s.limbs.push_back(
        {middle, bottom, middle, top, halfWidth * 1.6, 1, -2, {tint.r * 0.5, tint.g * 0.5, tint.b * 0.5}, 0});
    for (int k = 0; k < tiers; ++k) {
        const double f = (k + 1.0) / tiers;
        const double y = top + (bottom - top) * f, w = 1.5 + halfWidth * f;
        const int clumps = static_cast<int>(w * 3) + 4;
        for (int i = 0; i < clumps; ++i) {
            const double u = rng.Between(-1, 1), x = middle + u * w;
            const double dz = std::sqrt(std::max(0.05, 1 - u * u));
            const double yy = y + droop * u * u + rng.Between(-1.6, 1.0);
            const double underside = yy - droop * u * u - y;  // below the tier's line: in its own shade
            const double light =
                (0.5 + 0.75 * Lambert(u, -0.4, dz)) * (underside > 0 ? 0.75 : 1.12) * rng.Between(0.88, 1.08);
            const double r = rng.Between(1.7, 2.8);
            s.blobs.push_back({x, yy, dz * w * rng.Between(0.5, 1.0), r, r * 0.6, Vary(tint, rng), light});
        }
    }
}

TreeScene Broadleaf(int place, SceneRandom& rng) {
    TreeScene s;
    s.ragged = 0.6;
    switch (place) {
        case 11:  // conic: a broad-based crown rising to a point
            Limb(s, middle, ground, middle, 34, 4, 2.5, bark);
            Shadow(s, middle, 18);
            Foliage(
                s, rng, {middle, 30, 20, 24},
                [](double x, double y) {
                    return y > 8 && y < 51 && std::abs(x - middle) < 1 + (y - 8) * 0.44;
                },
                495, 2.9, leaf);
            break;
        case 12:  // column: narrow and upright, as a poplar
            Limb(s, middle, ground, middle, 44, 3.5, 2.5, bark);
            Shadow(s, middle, 10);
            FoliageEllipse(s, rng, {middle, 31, 9, 22}, 390, 2.4, poplar, 1.3);
            break;
        case 13:  // oval: an upright egg
            Limb(s, middle, ground, middle, 38, 4, 3, bark);
            Shadow(s, middle, 17);
            FoliageEllipse(s, rng, {middle, 28, 18, 21}, 495, 3.0, leaf);
            break;
        case 14:  // irregular: uneven masses with gaps, on a forking trunk
            Limb(s, middle + 2, ground, middle, 40, 4.5, 3.5, bark);
            Limb(s, middle, 41, 22, 30, 3, 1.5, bark);
            Limb(s, middle, 41, 42, 22, 3, 1.5, bark);
            Shadow(s, middle, 20);
            FoliageEllipse(s, rng, {22, 28, 12, 10}, 165, 2.9, leaf);
            FoliageEllipse(s, rng, {41, 17, 12, 10}, 180, 2.9, leaf);
            FoliageEllipse(s, rng, {45, 36, 10, 7}, 90, 2.7, leaf);
            FoliageEllipse(s, rng, {29, 13, 7, 6}, 60, 2.7, leaf);
            break;
        case 21:  // round: a full round crown
            Limb(s, middle, ground, middle, 40, 5, 3.5, bark);
            Shadow(s, middle, 20);
            FoliageEllipse(s, rng, {middle, 28, 22, 20}, 630, 3.0, leaf);
            break;
        case 22:  // vase: limbs fanning up from a short trunk, the crown widest at the top
            Limb(s, middle, ground, middle, 44, 5, 4, bark);
            for (const double tx : {12.0, 22.0, 42.0, 52.0}) {
                Limb(s, middle, 46, tx, 16, 3, 1.2, bark);
            }
            Shadow(s, middle, 16);
            Foliage(
                s, rng, {middle, 24, 26, 20},
                [](double x, double y) {
                    const double half = 4 + (44 - y) * 0.55;
                    return y > 8 + Square((x - middle) / 24) * 7 && y < 40 && std::abs(x - middle) < half;
                },
                495, 2.8, leaf);
            break;
        case 23:  // broad: a wide spreading crown on a heavy trunk
            Limb(s, middle, ground, middle, 36, 7, 5, bark);
            for (const double tx : {10.0, 20.0, 44.0, 54.0}) {
                Limb(s, middle, 38, tx, 26, 3.5, 1.5, bark);
            }
            Shadow(s, middle, 26);
            FoliageEllipse(s, rng, {middle, 24, 24, 15}, 600, 3.0, leaf);
            break;
        case 24:  // weeping: a dome whose curtains of twigs hang nearly to the ground
            Limb(s, middle, ground, middle, 26, 5, 3, bark);
            Shadow(s, middle, 24);
            FoliageEllipse(s, rng, {middle, 18, 19, 11}, 300, 2.6, willow);
            for (int i = 0; i < 34; ++i) {
                const double u = rng.Between(-1, 1), top = 17 - 10 * std::sqrt(std::max(0.0, 1 - u * u)) + 6;
                const double length = rng.Between(26, 36) * (1 - 0.35 * u * u), z = rng.Between(0, 14);
                for (double d = 0; d < length; d += 2.2) {
                    const double x = middle + u * (17 + d * 0.12), y = std::min(top + d, ground - 3);
                    const double light = (0.45 + 0.7 * Lambert(u, 0.3, z / 14)) * rng.Between(0.85, 1.1);
                    s.blobs.push_back({x, y, z, 1.6, 3.4, Vary(willow, rng), light});
                }
            }
            break;
        case 31:  // palmate: a fan palm with a skirt of dead leaves
            Limb(s, 30, ground, 32, 36, 3.6, 3.2, palmTrunk);
            Limb(s, 32, 37, 33, 20, 3.2, 3.0, palmTrunk);
            s.limbs[0].rings = s.limbs[1].rings = 0.9;
            Shadow(s, 31, 16);
            for (int i = 0; i < 18; ++i) {
                const double x = 33 + rng.Between(-4.5, 4.5);
                s.blobs.push_back({x, rng.Between(22, 30), 2, 1.4, 5, Vary(deadFrond, rng),
                                   0.7 + 0.4 * Lambert(x - 33, 0, 3)});
            }
            for (int i = 0; i < 11; ++i) {
                const double a = -pi - 0.45 + i * (pi + 0.9) / 10 + rng.Between(-0.1, 0.1);
                FanLeaf(s, rng, 33, 20, a, rng.Between(15, 17), 4 + std::sin(i * 2.1) * 2);
            }
            for (int i = 0; i < 5; ++i) {  // leaves facing the viewer, foreshortened
                FanLeaf(s, rng, 33, 19, -pi / 2 + (i - 2) * 1.1, rng.Between(9, 11), 8);
            }
            break;
        case 32:  // pinnate: a feather palm on a leaning, curving trunk
            Limb(s, 24, ground, 28, 40, 3.6, 3.1, palmTrunk);
            Limb(s, 28, 41, 35, 18, 3.1, 2.6, palmTrunk);
            s.limbs[0].rings = s.limbs[1].rings = 1.4;
            Shadow(s, 30, 18);
            for (int i = 0; i < 4; ++i) {
                s.blobs.push_back(
                    {35 + rng.Between(-2, 2), 19 + rng.Between(-1, 1.5), 3, 1.6, 1.6, {0.45, 0.36, 0.16}, 1});
            }
            for (int i = 0; i < 11; ++i) {
                const double a = -pi + 0.2 + i * (pi - 0.4) / 10 + rng.Between(-0.12, 0.12);
                PinnateFrond(s, rng, 35, 17, a, rng.Between(18, 21), 4 + std::cos(i * 2.3) * 3);
            }
            break;
        case 33:  // canopy: a thin, flat-topped umbrella over long bare limbs
            Limb(s, middle, ground, middle, 42, 4, 3.5, bark);
            Limb(s, middle, 43, 16, 22, 2.8, 1.4, bark);
            Limb(s, middle, 43, 48, 20, 2.8, 1.4, bark);
            Limb(s, middle, 43, 30, 20, 2.2, 1.2, bark);
            Shadow(s, middle, 26);
            Foliage(
                s, rng, {middle, 18, 24, 9},
                [](double x, double y) {
                    return y > 11 + Square((x - middle) / 24) * 4 && y < 24 - Square((x - middle) / 24) * 5;
                },
                495, 2.5, acacia, 0.65);
            break;
        default:
            break;
    }
    return s;
}

TreeScene Conifer(int place, SceneRandom& rng) {
    TreeScene s;
    s.ragged = 0.3;
    s.grain = 3.2;
    switch (place) {
        case 34:  // canopy: the umbrella of a stone pine on a tall forked trunk
            Limb(s, middle, ground, middle, 34, 4.5, 3.5, pineBark);
            Limb(s, middle, 35, 20, 20, 2.8, 1.5, pineBark);
            Limb(s, middle, 35, 44, 18, 2.8, 1.5, pineBark);
            Shadow(s, middle, 24);
            Foliage(
                s, rng, {middle, 18, 24, 10},
                [](double x, double y) {
                    return y < 25 && Square((x - middle) / 24) + Square((y - 24) / 16) < 1;
                },
                495, 2.4, pineNeedles, 0.7);
            break;
        case 41:  // conic: a spruce of drooping whorls
            Limb(s, middle, ground, middle, 8, 3, 1, bark, -2);
            Shadow(s, middle, 18);
            Whorls(s, rng, 7, 55, 19, 13, 3.5, fir);
            break;
        case 42:  // column: a cypress, narrow as a flame
            Limb(s, middle, ground, middle, 52, 3, 2.5, bark);
            Shadow(s, middle, 9);
            Foliage(
                s, rng, {middle, 30, 8, 27},
                [](double x, double y) {
                    return y > 6 && y < 56 &&
                           std::abs(x - middle) <
                               8 * std::pow(std::sin(pi * (y - 6) / 50), 0.7) * (0.55 + 0.45 * (y - 6) / 50);
                },
                495, 2.0, cypress, 1.4);
            break;
        case 43:  // weeping: a narrow spire whose branches arch out and hang down in curtains
            Limb(s, middle, ground, middle, 10, 3, 1.2, bark, -2);
            Limb(s, middle, 11, middle + 4, 6, 1.4, 0.8, blueNeedles, 2);
            Shadow(s, middle, 14);
            FoliageEllipse(s, rng, {middle, 30, 3, 22}, 60, 1.6, blueNeedles, 1.4);
            for (int k = 0; k < 8; ++k) {
                const double y = 11 + k * 5.5, w = 4 + k * 1.6;
                for (const int side : {-1, 1}) {
                    const double z = rng.Between(-3, 5);
                    Limb(s, middle, y, middle + side * w, y + 2, 1.2, 0.6, bark, z);
                    for (int strand = 0; strand < 4; ++strand) {
                        const double x0 = middle + side * w * (0.3 + 0.24 * strand),
                                     drop = (4 + k * 1.2) * (0.55 + 0.18 * strand);
                        for (double d = 0; d < drop; d += 1.2) {
                            const double light = (0.6 + 0.55 * Lambert(side, -0.2, 0.7)) *
                                                 (1 - 0.3 * d / drop) * rng.Between(0.85, 1.1);
                            s.blobs.push_back({x0 + side * d * 0.1, std::min(y + 1.5 + d, ground - 4), z + 1,
                                               1.4, 2.0, Vary(blueNeedles, rng), light});
                        }
                    }
                }
            }
            break;
        case 44:  // irregular: a wind-bent pine with flat pads of needles
            Limb(s, 30, ground, 27, 44, 4.5, 3.8, pineBark);
            Limb(s, 27, 45, 35, 30, 3.8, 3, pineBark);
            Limb(s, 35, 31, 30, 14, 3, 2, pineBark);
            Limb(s, 29, 41, 14, 32, 2.2, 1.2, pineBark);
            Limb(s, 34, 31, 50, 25, 2.2, 1.2, pineBark);
            Shadow(s, 30, 20);
            FoliageEllipse(s, rng, {16, 30, 10, 4.5}, 90, 2.3, pineNeedles, 0.6);
            FoliageEllipse(s, rng, {47, 23, 11, 4.5}, 105, 2.3, pineNeedles, 0.6);
            FoliageEllipse(s, rng, {30, 13, 9, 5.5}, 97, 2.3, pineNeedles, 0.6);
            FoliageEllipse(s, rng, {42, 38, 7, 3.5}, 52, 2.2, pineNeedles, 0.6);
            break;
        case 51:  // round: a dense globe close to the ground
            Limb(s, middle, ground, middle, 50, 4, 3, bark);
            Shadow(s, middle, 22);
            FoliageEllipse(s, rng, {middle, 35, 22, 20}, 780, 2.3, pineNeedles, 0.8);
            break;
        case 52:  // oval: a dense upright egg
            Limb(s, middle, ground, middle, 52, 3.5, 3, bark);
            Shadow(s, middle, 15);
            FoliageEllipse(s, rng, {middle, 31, 15, 24}, 690, 2.2, fir, 0.9);
            break;
        case 53:  // broad: a cedar of flat, level plates on a stout trunk
            Limb(s, middle, ground, middle, 10, 5, 2, bark, -4);
            Shadow(s, middle, 24);
            for (const auto& [x, y, rx] : {std::array{30.0, 12.0, 9.0},
                                           {34.0, 21.0, 16.0},
                                           {30.0, 30.0, 21.0},
                                           {33.0, 40.0, 23.0},
                                           {31.0, 48.0, 18.0}}) {
                FoliageEllipse(s, rng, {x, y, rx, 3.6}, static_cast<int>(rx * 5) * 3 / 2, 2.3, blueNeedles,
                               0.55);
            }
            break;
        case 54:  // vase: a juniper of stems that fan out upward
            Shadow(s, middle, 16);
            for (const double tx : {13.0, 22.0, 32.0, 42.0, 51.0}) {
                Limb(s, middle, ground, tx, 10 + std::abs(tx - middle) * 0.3, 2.2, 1, bark, -3);
                for (int i = 0; i < 55; ++i) {
                    const double t = std::sqrt(rng.Between(0.05, 1)),
                                 x = middle + (tx - middle) * t + rng.Between(-4, 4) * t;
                    const double y =
                        ground - (ground - 10 - std::abs(tx - middle) * 0.3) * t + rng.Between(-2, 2);
                    const double u = (x - middle) / 22;
                    const double light =
                        (0.45 + 0.7 * Lambert(u, (y - 30) / 30, 0.7)) * rng.Between(0.88, 1.08);
                    s.blobs.push_back({x, y, rng.Between(0, 8) * t, 2.2 * t + 0.8, 2.4 * t + 1,
                                       Vary(blueNeedles, rng), light});
                }
            }
            break;
        default:
            break;
    }
    return s;
}

}  // namespace

TreeScene SecondPageTree(int row, int column) {
    const int place = row * 10 + column;
    SceneRandom rng(static_cast<std::uint32_t>(place) * 7919u);
    return place <= 33 ? Broadleaf(place, rng) : Conifer(place, rng);
}
