#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "forest/ForestAreaShape.h"
#include "forest/ReadKmlPolygons.h"

// Any bytes are read without a fault; a read file gives at least one polygon and only positions on
// the earth, a refused one none. The polygons read are then checked as forest areas, as an import
// does, which must also hold for any corners: a sound area is never larger than the limit.
namespace {

[[noreturn]] void Fail() {
    std::abort();
}

void CheckAsArea(const KmlPolygon& polygon) {
    std::vector<ForestExclusion> holes;
    for (const auto& hole : polygon.holes) {
        holes.push_back({hole, 1.0});
    }
    ForestAreaShape shape;
    if (shape.Build(polygon.corners, holes).Ok() &&
        !(shape.Hectares() <= ForestAreaShape::maxSquareKilometres * 100.0)) {
        Fail();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KmlOutcome outcome = ReadKmlText(std::string_view(reinterpret_cast<const char*>(data), size));
    if ((outcome.status == KmlStatus::Read) == outcome.polygons.empty()) {
        Fail();
    }
    for (const KmlPolygon& polygon : outcome.polygons) {
        for (const GeoPosition& corner : polygon.corners) {
            if (!IsOnEarth(corner)) {
                Fail();
            }
        }
        CheckAsArea(polygon);
    }
    return 0;
}
