#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "forest/ForestCheck.h"
#include "forest/ForestRandom.h"
#include "forest/GeoPosition.h"
#include "forest/TreeMix.h"
#include "forest/TreePoints.h"

// "Plant while flying": fed the aircraft's successive positions, plants a tree where the trail
// starts and then every `spacingMetres` along the path flown (measured on the ellipsoid), each
// interval lengthened or shortened at random by up to `jitterMetres` and each tree moved as far to
// either side. A step longer than `maxStepMetres` between two positions is a jump (a position typed
// in, a slew across the map): the trail starts afresh where it lands, planting nothing along the jump.
struct TrailSettings {
    double spacingMetres = 10.0;    // at least 0.5
    double jitterMetres = 0.0;      // at most half the spacing
    double maxStepMetres = 2000.0;  // at most 100 km
    std::uint64_t seed = 1;
};

class TrailPlanter {
public:
    TrailPlanter() : random(0) {}

    // Checks the settings and the mix and begins a trail; a refused start leaves the planter stopped.
    ForestCheck Start(const TrailSettings& settings, const TreeMix& mix);
    void Stop() { running = false; }
    bool Running() const { return running; }

    // The trees due along the path from the last position to this one (none while stopped, and none
    // for a position that is not on the earth, which is passed over).
    std::vector<TreePoint> Feed(GeoPosition position);

    std::string_view GuidOf(const TreePoint& tree) const { return mix.Guids()[tree.guidIndex]; }

private:
    double NextInterval();
    TreePoint Planted(GeoPosition position, double azimuth);

    TrailSettings settings;
    TreeMix mix;
    ForestRandom random;
    bool running = false;
    std::optional<GeoPosition> last;
    double toNextTree = 0.0;  // metres along the path from `last`
};
