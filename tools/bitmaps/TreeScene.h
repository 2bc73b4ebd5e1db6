#pragma once

#include <cstdint>
#include <vector>

// Colour channels from 0 to 1.
struct Colour {
    double r = 1, g = 1, b = 1;
};

// A clump of foliage: an ellipsoid seen from the front, centred at (x, y) with depth z toward the viewer.
struct Blob {
    double x, y, z, rx, ry;
    Colour tint;
    double light = 1;  // the clump's place in the crown: lit side brighter, inner and shaded side darker
};

// A trunk, branch, stem or frond: a tapered cylinder from (x0, y0) to (x1, y1), flat at both ends.
struct Limb {
    double x0, y0, x1, y1, w0, w1, z;
    Colour tint;
    double rings = 0;  // bands across the limb per pixel of length, as on a palm trunk
};

// A tree built of simple solids in the coordinates of the finished picture (pixels, y down).
struct TreeScene {
    std::vector<Blob> blobs;
    std::vector<Limb> limbs;
    double ragged = 0;  // how far the leaf texture frays the edges of clumps (0: clean outlines)
    double grain = 1;   // leaf texture frequency: higher for needles than for leaves
    double shadowX = 0, shadowY = 0, shadowRx = 0, shadowRy = 0;  // ground shadow (radius 0: none)
};

// Which pixels of a size x size picture the tree covers, row after row from the top.
std::vector<bool> Silhouette(const TreeScene& scene, int size);

// The tree lit from the upper left on a white ground, rendered at four samples a side per pixel.
std::vector<Colour> Photograph(const TreeScene& scene, int size);

// Deterministic pseudo-random numbers, so that every run draws the same pictures.
class SceneRandom {
public:
    explicit SceneRandom(std::uint32_t seed) : state(seed) {}
    double Next();  // in [0, 1)
    double Between(double low, double high) { return low + (high - low) * Next(); }

private:
    std::uint32_t state;
};
