#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forest/ForestCheck.h"

// One model of a forest's mix as the palettes offer it: a catalogue model (its first entry, and the
// heights to plant as offsets from it, the palettes' baseIndex and heightIndex) or a GUID typed in,
// with its share of the trees. The model's share is split evenly over its heights.
struct MixModel {
    int baseIndex = -1;              // the model's first catalogue entry; -1 where guid is used
    std::vector<int> heightIndices;  // catalogue entries baseIndex + heightIndex; none means the first
    std::string guid;                // a GUID of 32 hexadecimal digits, used where baseIndex is -1
    double weight = 1.0;             // positive, at most 1e9
};

// The GUIDs a forest plants and their shares, from which each tree's GUID is drawn.
class TreeMix {
public:
    // Resolves the models through the tree catalogue; a refused mix leaves this one as it was.
    ForestCheck Build(const std::vector<MixModel>& models);

    // The GUID for a uniform draw u in [0, 1): each GUID for its share of the draws.
    std::uint32_t Pick(double u) const;
    const std::vector<std::string>& Guids() const { return guids; }

private:
    std::vector<std::string> guids;
    std::vector<double> cumulativeWeights;  // per GUID, the weights up to and including its own
};
