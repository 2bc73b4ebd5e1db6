#include "forest/AddTreePoints.h"

std::size_t AddTreePoints(PlantingList& list, const TreePoints& trees) {
    // Far enough ahead that the index's memory has arrived when its tree's turn comes.
    constexpr std::size_t lookAhead = 16;
    const std::size_t before = list.Count();
    const std::vector<TreePoint>& points = trees.points;
    list.Reserve(before + points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i + lookAhead < points.size()) {
            list.PrefetchAdd(points[i + lookAhead].latitude, points[i + lookAhead].longitude);
        }
        list.Add(points[i].latitude, points[i].longitude, trees.GuidOf(points[i]));
    }
    return points.size() - (list.Count() - before);
}
