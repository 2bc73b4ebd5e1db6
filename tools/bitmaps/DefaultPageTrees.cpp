#include "tools/bitmaps/PalettePictures.h"

#include <cmath>

// The default page's models as flat silhouettes on a 63 x 63 ground, standing on y = 58; the top left
// corner stays free for the button's column digit.
namespace {

constexpr double ground = 58;
constexpr double pi = 3.14159265358979;

void Ellipse(TreeScene& s, double x, double y, double rx, double ry) {
    s.blobs.push_back({x, y, 0, rx, ry, {}, 1});
}

void Stick(TreeScene& s, double x0, double y0, double x1, double y1, double w0, double w1) {
    s.limbs.push_back({x0, y0, x1, y1, w0, w1, 0, {}, 0});
}

// A leafy crown: a core with round lobes all along its rim, so that the outline reads as foliage.
void LobedCrown(TreeScene& s, double x, double y, double rx, double ry, int lobes, double lobe) {
    Ellipse(s, x, y, rx - lobe * 0.7, ry - lobe * 0.7);
    for (int i = 0; i < lobes; ++i) {
        const double a = 2 * pi * i / lobes + 0.3;
        Ellipse(s, x + (rx - lobe) * std::cos(a), y + (ry - lobe) * std::sin(a), lobe, lobe);
    }
}

// A conifer of stacked tiers, each a triangle with a flat lower edge.
void Tiers(TreeScene& s, double x, double top, double bottom, double halfWidth, int count) {
    const double step = (bottom - top) / (count + 1);
    for (int k = 0; k < count; ++k) {
        const double tierBottom = top + step * (k + 2);
        const double width = 2 * halfWidth * (k + 2) / (count + 1);
        Stick(s, x, tierBottom, x, tierBottom - step * 2.2, width, 0);
    }
}

}  // namespace

TreeScene DefaultPageTree(int row, int column) {
    TreeScene s;
    const double x = 35;
    switch (row * 10 + column) {
        case 11:  // Deciduous 1: a round crown on a straight trunk
            Stick(s, x, ground, x, 36, 6, 4);
            LobedCrown(s, x, 26, 19, 18, 11, 5.5);
            break;
        case 12:  // Deciduous 2: a taller, narrower crown
            Stick(s, x, ground, x, 40, 5, 3.5);
            LobedCrown(s, x, 25, 14, 20, 10, 5);
            break;
        case 13:  // Deciduous 3: a broad, spreading crown on a forked trunk
            Stick(s, x, ground, x, 40, 6, 5);
            Stick(s, x, 42, x - 12, 28, 4, 2.5);
            Stick(s, x, 42, x + 12, 28, 4, 2.5);
            LobedCrown(s, x + 1, 28, 22, 14, 13, 5);
            break;
        case 14:  // Deciduous 4: an uneven crown of two masses on a leaning trunk
            Stick(s, x - 3, ground, x, 38, 6, 4);
            Stick(s, x, 40, x + 9, 24, 3.5, 2);
            LobedCrown(s, x - 5, 28, 11, 11, 8, 4.5);
            LobedCrown(s, x + 9, 22, 12, 12, 8, 4.5);
            break;
        case 21:  // Evergreen 1: a low, wide, dense dome
            Stick(s, x, ground, x, 44, 8, 6);
            LobedCrown(s, x, 33, 25, 15, 14, 5);
            break;
        case 23:  // Evergreen 3: a pointed oval
            Stick(s, x, ground, x, 48, 5, 4);
            LobedCrown(s, x, 30, 13, 19, 10, 4);
            Stick(s, x, 16, x, 5, 14, 0);
            break;
        case 24:  // Evergreen 4: rounded tiers narrowing upward
            Stick(s, x, ground, x, 50, 5, 4);
            LobedCrown(s, x, 43, 17, 9, 9, 4);
            LobedCrown(s, x, 31, 14, 8, 8, 4);
            LobedCrown(s, x, 20, 10, 7, 7, 3.5);
            Ellipse(s, x, 11, 5, 6);
            break;
        case 31:  // Conifer 1: a wide spruce
            Stick(s, x, ground, x, 46, 5, 4);
            Tiers(s, x, 4, 50, 22, 5);
            break;
        case 32:  // Conifer 2: a slender spruce
            Stick(s, x, ground, x, 48, 4, 3);
            Tiers(s, x, 3, 52, 14, 6);
            break;
        case 33:  // Conifer 3: a pine, tufts on a tall bare trunk
            Stick(s, x, ground, x + 1, 10, 4.5, 2);
            Stick(s, x, 38, x - 10, 32, 2.5, 1.5);
            Stick(s, x + 1, 30, x + 11, 25, 2.5, 1.5);
            LobedCrown(s, x - 11, 31, 9, 5, 7, 2.5);
            LobedCrown(s, x + 11, 24, 10, 5, 7, 2.5);
            LobedCrown(s, x - 4, 18, 9, 5, 7, 2.5);
            LobedCrown(s, x + 2, 9, 8, 5, 7, 2.5);
            break;
        case 34:  // Conifer 4: a slim column
            Stick(s, x, ground, x, 50, 4, 3);
            Ellipse(s, x, 32, 7, 20);
            Stick(s, x, 20, x, 3, 12, 0);
            break;
        case 41:  // Bush: a low mound of foliage, no trunk
            LobedCrown(s, x - 10, 50, 10, 8, 7, 3.5);
            LobedCrown(s, x + 10, 50, 10, 8, 7, 3.5);
            LobedCrown(s, x, 44, 12, 11, 8, 4);
            break;
        case 42:  // Cactus: a column with two raised arms
            Stick(s, x, ground, x, 10, 9, 8);
            Ellipse(s, x, 10, 4, 4);
            Stick(s, x, 38, x - 13, 38, 7, 7);
            Stick(s, x - 13, 41, x - 13, 22, 7, 6.5);
            Ellipse(s, x - 13, 22, 3.25, 3.25);
            Stick(s, x, 30, x + 12, 30, 7, 7);
            Stick(s, x + 12, 33, x + 12, 17, 7, 6.5);
            Ellipse(s, x + 12, 17, 3.25, 3.25);
            break;
        case 51:  // Shrub 1: a small round shrub on short stems
            Stick(s, x - 3, ground, x - 1, 48, 3, 2);
            Stick(s, x + 3, ground, x + 1, 48, 3, 2);
            LobedCrown(s, x, 40, 14, 12, 9, 4);
            break;
        case 52:  // Shrub 2: upright stems, each with its own clump
            for (const double dx : {-11.0, 0.0, 11.0}) {
                Stick(s, x, ground, x + dx, 26, 3, 2);
                LobedCrown(s, x + dx, dx == 0 ? 22 : 28, 6, 10, 6, 3);
            }
            LobedCrown(s, x, 44, 11, 9, 7, 3.5);
            break;
        case 53:  // Shrub 3: stiff spiky leaves fanning from the ground
            for (int i = 0; i < 11; ++i) {
                const double a = -pi / 2 + (i - 5) * 0.24;
                const double length = 30 - std::abs(i - 5) * 2.2;
                Stick(s, x, ground - 2, x + length * std::cos(a), ground - 2 + length * std::sin(a), 3.5,
                      0.8);
            }
            Ellipse(s, x, ground - 3, 8, 4);
            break;
        default:
            break;
    }
    return s;
}
