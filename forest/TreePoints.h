#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Trees to plant: positions with the index of their GUID in a small table, so that a million trees
// are not a million strings. In the order they are to be added to the planting list.
struct TreePoint {
    double latitude = 0.0;
    double longitude = 0.0;
    std::uint32_t guidIndex = 0;
};

struct TreePoints {
    std::vector<TreePoint> points;
    std::vector<std::string> guids;

    std::string_view GuidOf(const TreePoint& point) const { return guids[point.guidIndex]; }
};
