#include "tools/bitmaps/TreeScene.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int samplesPerPixel = 4;
constexpr double lightX = -0.58, lightY = -0.55, lightZ = 0.60;  // from the upper left, in front

double Hash(int x, int y, std::uint32_t seed) {
    auto h = static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^
             seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / double(0x1000000);
}

// Smooth noise in [0, 1): hashed lattice values blended between the four neighbours.
double ValueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double u = (x - fx) * (x - fx) * (3 - 2 * (x - fx));
    const double v = (y - fy) * (y - fy) * (3 - 2 * (y - fy));
    const double top = Hash(ix, iy, seed) + u * (Hash(ix + 1, iy, seed) - Hash(ix, iy, seed));
    const double bottom = Hash(ix, iy + 1, seed) + u * (Hash(ix + 1, iy + 1, seed) - Hash(ix, iy + 1, seed));
    return top + v * (bottom - top);
}

double Diffuse(double nx, double ny, double nz) {
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    return std::max(0.0, (nx * lightX + ny * lightY + nz * lightZ) / length);
}

// A surface point of a solid under one sample: its depth toward the viewer and its colour.
struct Hit {
    double depth;
    Colour colour;
};

struct Sample {
    double x, y;  // in picture pixels
    int ix, iy;   // in samples, for the fine grain
};

// Where a clump covers the sample; with shading off only the depth counts.
bool HitBlob(const TreeScene& scene, const Blob& blob, std::size_t index, const Sample& s, bool shade,
             Hit& hit) {
    const double dx = (s.x - blob.x) / blob.rx, dy = (s.y - blob.y) / blob.ry;
    const double reach = 1 - scene.ragged * ValueNoise(s.x * 1.3 * scene.grain, s.y * 1.3 * scene.grain,
                                                       7u + static_cast<std::uint32_t>(index));
    const double d2 = dx * dx + dy * dy;
    if (d2 >= reach) {
        return false;
    }
    const double nz = std::sqrt(1 - d2);
    hit.depth = blob.z + std::min(blob.rx, blob.ry) * nz;
    if (shade) {
        const double leaves =
            0.5 * ValueNoise(s.x * 1.7 * scene.grain, s.y * 1.7 * scene.grain, 3) + 0.5 * Hash(s.ix, s.iy, 5);
        const double local = 0.55 + 0.55 * Diffuse(dx, dy, nz);
        const double edgeShade = 1 - 0.2 * d2 / reach;  // gaps between clumps read as depth
        const double k = blob.light * local * edgeShade * (0.62 + 0.62 * leaves);
        const double sun = 0.10 * std::max(0.0, k - 0.9);  // sunlit leaves turn a little yellow
        hit.colour = {blob.tint.r * k + sun, blob.tint.g * k + sun, blob.tint.b * k};
    }
    return true;
}

bool HitLimb(const Limb& limb, const Sample& s, bool shade, Hit& hit) {
    const double ax = limb.x1 - limb.x0, ay = limb.y1 - limb.y0;
    const double length = std::sqrt(ax * ax + ay * ay);
    const double t = ((s.x - limb.x0) * ax + (s.y - limb.y0) * ay) / (length * length);
    if (t < 0 || t > 1) {
        return false;
    }
    const double across = ((s.x - limb.x0) * ay - (s.y - limb.y0) * ax) / length;
    const double half = (limb.w0 + (limb.w1 - limb.w0) * t) / 2;
    const double u = across / half;
    if (half <= 0 || std::abs(u) >= 1) {
        return false;
    }
    const double nz = std::sqrt(1 - u * u);
    hit.depth = limb.z + half * nz;
    if (shade) {
        const double along = t * length;
        double bark = 0.75 + 0.4 * ValueNoise(along * 0.9, u * 2.5, 11) + 0.12 * Hash(s.ix, s.iy, 13);
        if (limb.rings > 0) {
            bark *= 0.78 + 0.22 * std::abs(std::cos(along * limb.rings * 3.14159265358979));
        }
        const double k = (0.35 + 0.85 * Diffuse(u * ay / length, -u * ax / length, nz)) * bark;
        hit.colour = {limb.tint.r * k, limb.tint.g * k, limb.tint.b * k};
    }
    return true;
}

// Runs every solid over the samples of its bounding box and keeps the front-most hit of each sample.
template <typename Keep>
void Splat(const TreeScene& scene, int samples, double scale, bool shade, Keep keep) {
    auto visit = [&](double left, double top, double right, double bottom, auto hitAt) {
        const int x0 = std::max(0, static_cast<int>(std::floor(left * scale)));
        const int y0 = std::max(0, static_cast<int>(std::floor(top * scale)));
        const int x1 = std::min(samples - 1, static_cast<int>(std::ceil(right * scale)));
        const int y1 = std::min(samples - 1, static_cast<int>(std::ceil(bottom * scale)));
        for (int iy = y0; iy <= y1; ++iy) {
            for (int ix = x0; ix <= x1; ++ix) {
                const Sample s{(ix + 0.5) / scale, (iy + 0.5) / scale, ix, iy};
                Hit hit{};
                if (hitAt(s, hit)) {
                    keep(ix, iy, hit);
                }
            }
        }
    };
    for (std::size_t i = 0; i < scene.blobs.size(); ++i) {
        const Blob& b = scene.blobs[i];
        visit(b.x - b.rx, b.y - b.ry, b.x + b.rx, b.y + b.ry,
              [&](const Sample& s, Hit& hit) { return HitBlob(scene, b, i, s, shade, hit); });
    }
    for (const Limb& l : scene.limbs) {
        const double w = std::max(l.w0, l.w1) / 2;
        visit(std::min(l.x0, l.x1) - w, std::min(l.y0, l.y1) - w, std::max(l.x0, l.x1) + w,
              std::max(l.y0, l.y1) + w, [&](const Sample& s, Hit& hit) { return HitLimb(l, s, shade, hit); });
    }
}

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

}  // namespace

double SceneRandom::Next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / double(1u << 24);
}

std::vector<bool> Silhouette(const TreeScene& scene, int size) {
    std::vector<bool> covered(static_cast<std::size_t>(size * size), false);
    Splat(scene, size, 1.0, false,
          [&](int x, int y, const Hit&) { covered[static_cast<std::size_t>(y * size + x)] = true; });
    return covered;
}

std::vector<Colour> Photograph(const TreeScene& scene, int size) {
    const int samples = size * samplesPerPixel;
    std::vector<double> depth(static_cast<std::size_t>(samples * samples),
                              -std::numeric_limits<double>::infinity());
    std::vector<Colour> fine(depth.size());
    for (int iy = 0; iy < samples; ++iy) {
        for (int ix = 0; ix < samples; ++ix) {
            // The ground: white, darkened softly under the tree where its shadow falls.
            const double x = (ix + 0.5) / samplesPerPixel, y = (iy + 0.5) / samplesPerPixel;
            double shadow = 0;
            if (scene.shadowRx > 0) {
                const double dx = (x - scene.shadowX) / scene.shadowRx,
                             dy = (y - scene.shadowY) / scene.shadowRy;
                shadow = 0.30 * std::max(0.0, 1 - dx * dx - dy * dy);
            }
            fine[static_cast<std::size_t>(iy * samples + ix)] = {1 - shadow, 1 - shadow * 0.9, 1 - shadow};
        }
    }
    Splat(scene, samples, samplesPerPixel, true, [&](int x, int y, const Hit& hit) {
        const auto i = static_cast<std::size_t>(y * samples + x);
        if (hit.depth > depth[i]) {
            depth[i] = hit.depth;
            fine[i] = hit.colour;
        }
    });
    std::vector<Colour> picture(static_cast<std::size_t>(size * size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour sum{0, 0, 0};
            for (int sy = 0; sy < samplesPerPixel; ++sy) {
                for (int sx = 0; sx < samplesPerPixel; ++sx) {
                    const Colour& c = fine[static_cast<std::size_t>((y * samplesPerPixel + sy) * samples +
                                                                    x * samplesPerPixel + sx)];
                    sum = {sum.r + Clamp01(c.r), sum.g + Clamp01(c.g), sum.b + Clamp01(c.b)};
                }
            }
            constexpr double n = samplesPerPixel * samplesPerPixel;
            picture[static_cast<std::size_t>(y * size + x)] = {sum.r / n, sum.g / n, sum.b / n};
        }
    }
    return picture;
}
