#pragma once

#include <optional>
#include <vector>

#include "forest/FillRegion.h"
#include "forest/ForestCheck.h"
#include "forest/GeoPosition.h"
#include "forest/LocalPlane.h"
#include "forest/PlanePoint.h"

// A polygon kept free of trees (a runway, a taxiway, a road), with a buffer around its edges.
struct ForestExclusion {
    std::vector<GeoPosition> corners;
    double bufferMetres = 0.0;
};

// An area to fill: its corners and exclusions checked and laid in a local plane around the area's
// centre, with its size. The map shows Hectares() while corners are added; a fill samples Area()
// minus Exclusions() and turns the points back with Plane().
class ForestAreaShape {
public:
    static constexpr double maxSquareKilometres = 1000.0;
    // Beyond this distance from the centre the plane no longer stands in for the ground.
    static constexpr double maxSpanKilometres = 250.0;
    // Successive corners closer than this (metres) are one place pressed twice.
    static constexpr double repeatedCornerDistance = 0.01;

    // Checks the shapes and, where they are sound, makes them this shape's; a refused shape leaves
    // the previous one as it was.
    ForestCheck Build(const std::vector<GeoPosition>& corners,
                      const std::vector<ForestExclusion>& exclusions);

    bool Built() const { return plane.has_value(); }
    // Valid once built.
    const LocalPlane& Plane() const { return *plane; }
    const std::vector<PlanePoint>& Area() const { return area; }
    const std::vector<PlaneExclusion>& Exclusions() const { return exclusions; }
    // The polygon's area (exclusions not taken off).
    double Hectares() const { return hectares; }

private:
    std::optional<LocalPlane> plane;
    std::vector<PlanePoint> area;
    std::vector<PlaneExclusion> exclusions;
    double hectares = 0.0;
};
