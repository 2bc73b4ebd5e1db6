#include "forest/TrailPlanter.h"

#include <cmath>

#include <GeographicLib/Geodesic.hpp>

namespace {

// Bounds that keep the trees of one step to a few thousand.
constexpr double minSpacing = 0.5;
constexpr double maxStep = 100e3;

ForestCheck Refusal(ForestProblem problem, double value = 0.0) {
    ForestCheck check;
    check.problem = problem;
    check.shape = -2;
    check.value = value;
    return check;
}

}  // namespace

ForestCheck TrailPlanter::Start(const TrailSettings& newSettings, const TreeMix& newMix) {
    running = false;
    const TrailSettings& s = newSettings;
    if (!(std::isfinite(s.spacingMetres) && s.spacingMetres >= minSpacing)) {
        return Refusal(ForestProblem::SpacingInvalid, s.spacingMetres);
    }
    if (!(s.jitterMetres >= 0.0 && s.jitterMetres <= s.spacingMetres / 2.0) ||
        !(s.maxStepMetres > 0.0 && s.maxStepMetres <= maxStep)) {
        return Refusal(ForestProblem::LayoutInvalid);
    }
    if (newMix.Guids().empty()) {
        return Refusal(ForestProblem::MixEmpty);
    }
    settings = s;
    mix = newMix;
    random = ForestRandom(s.seed);
    last.reset();
    running = true;
    return {};
}

std::vector<TreePoint> TrailPlanter::Feed(GeoPosition position) {
    std::vector<TreePoint> trees;
    if (!running || !IsOnEarth(position)) {
        return trees;
    }
    const GeographicLib::Geodesic& earth = GeographicLib::Geodesic::WGS84();
    double step = 0.0, azimuth = 0.0, arrivalAzimuth = 0.0;
    if (last) {
        earth.Inverse(last->latitude, last->longitude, position.latitude, position.longitude, step, azimuth,
                      arrivalAzimuth);
    }
    if (!last || !(step <= settings.maxStepMetres)) {
        trees.push_back(Planted(position, arrivalAzimuth));
        toNextTree = NextInterval();
        last = position;
        return trees;
    }
    double travelled = 0.0;
    while (travelled + toNextTree <= step) {
        travelled += toNextTree;
        GeoPosition there;
        double azimuthThere = 0.0;
        earth.Direct(last->latitude, last->longitude, azimuth, travelled, there.latitude, there.longitude,
                     azimuthThere);
        trees.push_back(Planted(there, azimuthThere));
        toNextTree = NextInterval();
    }
    toNextTree -= step - travelled;
    last = position;
    return trees;
}

double TrailPlanter::NextInterval() {
    return settings.spacingMetres + settings.jitterMetres * random.NextSigned();
}

TreePoint TrailPlanter::Planted(GeoPosition position, double azimuth) {
    const double sideways = settings.jitterMetres * random.NextSigned();
    TreePoint tree{position.latitude, position.longitude, 0};
    if (sideways != 0.0) {
        GeographicLib::Geodesic::WGS84().Direct(position.latitude, position.longitude, azimuth + 90.0,
                                                sideways, tree.latitude, tree.longitude);
    }
    tree.guidIndex = mix.Pick(random.NextUnit());
    return tree;
}
