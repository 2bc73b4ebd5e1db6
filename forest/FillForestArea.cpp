#include "forest/FillForestArea.h"

#include <algorithm>
#include <cmath>

#include "forest/ForestRandom.h"
#include "forest/PoissonDiskSampling.h"

namespace ForestFilling {

namespace {

// The sampler fills a tenth more than the trees asked for, then thinning keeps the share asked, so
// that the density is met where a fill falls short of its usual count (small and odd shapes fill to
// within a few percent of it). Where the density asked is below what the spacing allows, the sampler's
// spacing grows to match it: a fill costs time and memory in proportion to the trees asked, not to
// the spacing.
constexpr double thinningReserve = 1.1;

ForestCheck Refusal(ForestProblem problem, double value, double limit = 0.0) {
    ForestCheck check;
    check.problem = problem;
    check.value = value;
    check.limit = limit;
    return check;
}

// The sampler's spacing for an effort: the one asked, or wider where the density asked is lower.
double SamplerSpacing(const FillSettings& settings, PoissonDiskSampling::Effort effort) {
    const double treesPerSquareMetre = settings.treesPerHectare / 1e4;
    return std::max(settings.spacingMetres,
                    std::sqrt(effort.fillFactor / (thinningReserve * treesPerSquareMetre)));
}

double WantedTrees(const FillSettings& settings, const PoissonDiskSampling::Fill& sample) {
    return std::min(std::round(settings.treesPerHectare * sample.regionArea / 1e4), maxTrees);
}

// Samples the shape's region: quickly where the spacing leaves room for the density, densely where
// it does not.
PoissonDiskSampling::Fill Sampled(const ForestAreaShape& shape, const FillSettings& settings,
                                  ForestRandom& random) {
    using PoissonDiskSampling::denseFill, PoissonDiskSampling::quickFill;
    const PoissonDiskSampling::Effort effort =
        SamplerSpacing(settings, quickFill) > settings.spacingMetres ? quickFill : denseFill;
    return PoissonDiskSampling::Sample(shape.Area(), shape.Exclusions(), SamplerSpacing(settings, effort),
                                       effort, random);
}

// Keeps `keep` of the points, each subset equally likely, in their order (selection sampling).
std::vector<PlanePoint> Thinned(const std::vector<PlanePoint>& points, std::size_t keep,
                                ForestRandom& random) {
    std::vector<PlanePoint> kept;
    kept.reserve(keep);
    const std::size_t count = points.size();
    for (std::size_t i = 0; i < count && kept.size() < keep; ++i) {
        if (static_cast<double>(count - i) * random.NextUnit() < static_cast<double>(keep - kept.size())) {
            kept.push_back(points[i]);
        }
    }
    return kept;
}

TreePoints Planted(const std::vector<PlanePoint>& points, const LocalPlane& plane, const TreeMix& mix,
                   ForestRandom& random) {
    TreePoints trees;
    trees.guids = mix.Guids();
    trees.points.reserve(points.size());
    for (const PlanePoint& p : points) {
        const GeoPosition position = plane.Reverse(p);
        trees.points.push_back({position.latitude, position.longitude, mix.Pick(random.NextUnit())});
    }
    return trees;
}

}  // namespace

double MaxTreesPerHectare(double spacingMetres) {
    return densestFillPerHectare / (spacingMetres * spacingMetres);
}

ForestCheck CheckSettings(const ForestAreaShape& shape, const FillSettings& settings) {
    if (!shape.Built()) {
        return Refusal(ForestProblem::TooFewCorners, 0.0);
    }
    const double spacing = settings.spacingMetres, density = settings.treesPerHectare;
    if (!(std::isfinite(spacing) && spacing > 0.0)) {
        return Refusal(ForestProblem::SpacingInvalid, spacing);
    }
    if (!(std::isfinite(density) && density > 0.0)) {
        return Refusal(ForestProblem::DensityInvalid, density);
    }
    if (density > MaxTreesPerHectare(spacing)) {
        return Refusal(ForestProblem::DensityTooHigh, density, MaxTreesPerHectare(spacing));
    }
    const double trees = density * shape.Hectares();
    if (trees > maxTrees) {
        return Refusal(ForestProblem::TooManyTrees, std::round(trees), maxTrees);
    }
    return {};
}

ForestFill Fill(const ForestAreaShape& shape, const FillSettings& settings, const TreeMix& mix) {
    ForestFill fill;
    if (fill.check = CheckSettings(shape, settings); !fill.check.Ok()) {
        return fill;
    }
    if (mix.Guids().empty()) {
        fill.check.problem = ForestProblem::MixEmpty;
        return fill;
    }
    ForestRandom random(settings.seed);
    const PoissonDiskSampling::Fill sample = Sampled(shape, settings, random);
    fill.fillHectares = sample.regionArea / 1e4;
    const std::size_t keep =
        std::min(sample.points.size(), static_cast<std::size_t>(WantedTrees(settings, sample)));
    fill.trees = Planted(Thinned(sample.points, keep, random), shape.Plane(), mix, random);
    return fill;
}

}  // namespace ForestFilling
