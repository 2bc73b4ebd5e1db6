#include "document/ParsePlantingText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Planting files come from anywhere: any bytes must parse without a fault, no object may appear
// without the origin marker, and no name may be longer than the 32 characters it is cut to.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParsedPlantingText parsed = ParsePlantingText(text);
    if (!parsed.markerFound && !parsed.objects.empty()) {
        std::abort();
    }
    for (const ParsedPlantingObject& object : parsed.objects) {
        if (object.name.size() > 32) {
            std::abort();
        }
    }
    // Every object needs at least the marker and its three keys.
    if (parsed.objects.size() * 16 + (parsed.markerFound ? 11 : 0) > size) {
        std::abort();
    }
    (void)ReadPlantingNumber(text);
    return 0;
}
