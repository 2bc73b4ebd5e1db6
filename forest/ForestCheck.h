#pragma once

#include <cstddef>

// Why a forest request was refused, with what a message about it needs. Nothing is planted and
// nothing changes when a check is not Ok.
enum class ForestProblem {
    None,
    TooFewCorners,     // shape: value corners, fewer than limit (three for an area, two for a line)
    CornerNotOnEarth,  // shape, first: a corner's latitude or longitude is not a number or out of range
    RepeatedCorner,    // shape, first: corners first and first + 1 (the last and the first) are one place
    EdgesCross,        // shape, first, second: two edges cross or touch
    SpanTooLarge,      // shape, value: a corner this many km from the area's centre; limit: the largest
    AreaTooLarge,      // value: the area in km^2; limit: the largest
    SpacingInvalid,    // value: the spacing is not a positive number of metres
    DensityInvalid,    // value: the density is not a positive number of trees per hectare
    DensityTooHigh,    // value: the density asked; limit: the most the spacing allows
    TooManyTrees,      // value: the trees the fill would hold; limit: the most in one fill
    BufferInvalid,     // shape: an exclusion's buffer is negative or not a number
    LayoutInvalid,     // value: a line's jitter, offset, row count or row gap is out of range
    MixEmpty,          // no model is chosen
    MixWeightInvalid,  // first: the model; value: its weight, not a positive number
    MixEntryUnknown,   // first: the model; value: the catalogue entry, not in the catalogue
    MixGuidInvalid,    // first: the model's GUID is not 32 hexadecimal digits
};

// shape: -1 for the area, -2 for a line, k for the k-th exclusion (from 0). Corners, edges and
// models count from 0; edge k runs from corner k to the next.
struct ForestCheck {
    ForestProblem problem = ForestProblem::None;
    int shape = -1;
    std::size_t first = 0;
    std::size_t second = 0;
    double value = 0.0;
    double limit = 0.0;

    bool Ok() const { return problem == ForestProblem::None; }
};
