#include "forest/ForestMessages.h"

#include <cmath>
#include <cstdio>

namespace {

// Numbers as a person reads them, with a point as decimal separator in every locale.
std::string Number(double value) {
    if (!std::isfinite(value)) {
        return "not a number";
    }
    char text[64];
    if (value == std::round(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.2f", value);
    }
    std::string result = text;
    for (char& c : result) {
        c = c == ',' ? '.' : c;
    }
    return result;
}

std::string Count(std::size_t index) {
    return std::to_string(index + 1);
}

std::string ShapeName(int shape) {
    if (shape == -2) {
        return "The line";
    }
    return shape < 0 ? "The area" : "Exclusion " + std::to_string(shape + 1);
}

std::string ShapeProblem(const ForestCheck& c) {
    const std::string shape = ShapeName(c.shape);
    switch (c.problem) {
        case ForestProblem::TooFewCorners:
            return shape + " has " + Number(c.value) + " corners; it needs at least " + Number(c.limit) + ".";
        case ForestProblem::CornerNotOnEarth:
            return shape + "'s corner " + Count(c.first) + " is not a latitude and longitude on the earth.";
        case ForestProblem::RepeatedCorner:
            return shape + "'s corners " + Count(c.first) + " and " + Count((c.first + 1)) +
                   " are the same place (a corner pressed twice?).";
        case ForestProblem::EdgesCross:
            return shape + "'s edges " + Count(c.first) + " and " + Count(c.second) +
                   " cross; the corners must go round the outline in order.";
        case ForestProblem::SpanTooLarge:
            return shape + "'s corner " + Count(c.first) + " lies " + Number(c.value) +
                   " km from the area's centre; at most " + Number(c.limit) + " km is possible.";
        case ForestProblem::BufferInvalid:
            return shape + "'s buffer must be a distance of 0 metres or more.";
        default:
            return {};
    }
}

}  // namespace

std::string DescribeForestCheck(const ForestCheck& c) {
    switch (c.problem) {
        case ForestProblem::None:
            return {};
        case ForestProblem::AreaTooLarge:
            return "The area is " + Number(c.value) + " km2; at most " + Number(c.limit) +
                   " km2 can be filled at once.";
        case ForestProblem::SpacingInvalid:
            return "The spacing must be a distance of more than 0 metres.";
        case ForestProblem::DensityInvalid:
            return "The density must be more than 0 trees per hectare.";
        case ForestProblem::DensityTooHigh:
            return Number(c.value) + " trees per hectare do not fit at this spacing; at most " +
                   Number(c.limit) + " trees per hectare do.";
        case ForestProblem::TooManyTrees:
            return "The fill would hold " + Number(c.value) + " trees; at most " + Number(c.limit) +
                   " trees can be planted at once.";
        case ForestProblem::LayoutInvalid:
            return "The line's jitter, offset, rows and row gap must be numbers of metres, with 1 to 100 "
                   "rows.";
        case ForestProblem::MixEmpty:
            return "Choose at least one tree model for the mix.";
        case ForestProblem::MixWeightInvalid:
            return "Model " + Count(c.first) + " of the mix has the weight " + Number(c.value) +
                   "; a weight must be more than 0.";
        case ForestProblem::MixEntryUnknown:
            return "Model " + Count(c.first) + " of the mix names catalogue entry " + Number(c.value) +
                   ", which does not exist.";
        case ForestProblem::MixGuidInvalid:
            return "Model " + Count(c.first) + " of the mix has a GUID that is not 32 hexadecimal digits.";
        default:
            return ShapeProblem(c);
    }
}
