// Feeds arbitrary client areas to the relay's walk, each allocated to its exact size so that
// AddressSanitizer sees any read beyond it. An area the relay accepts must be one the stand-in
// simulator's own walk performs to its end marker, with nothing after it; with writes refused, serving
// it may change no offset but the client version.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "simlink/IpcLink.h"
#include "simlink/tcp/RelayProtocol.h"
#include "tools/relay/CheckClientArea.h"
#include "tools/simulator/ServeRequestArea.h"
#include "tools/simulator/SimulatorState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool allowWrites = (data[0] & 1) != 0;
    const std::size_t length = size - 1;
    const std::unique_ptr<std::byte[]> exact(new std::byte[length == 0 ? 1 : length]);
    std::memcpy(exact.get(), data + 1, length);
    const std::span<const std::byte> area(exact.get(), length);
    if (!CheckClientArea(area, allowWrites)) {
        return 0;
    }
    if (RelayProtocol::UsedAreaLength(area) != length) {
        std::abort();
    }
    std::vector<std::byte> whole(RequestArea::areaSize);
    std::memcpy(whole.data(), area.data(), length);
    SimulatorState before(0x39990000, 7);
    SimulatorState after(0x39990000, 7);
    if (!ServeRequestArea(RequestArea::Area{whole.data(), RequestArea::areaSize}, after.Offsets())) {
        std::abort();
    }
    if (!allowWrites) {
        for (std::uint32_t offset = 0; offset < OffsetSpace::size; offset += 4) {
            if (before.Offsets().Word(offset) != after.Offsets().Word(offset)) {
                std::abort();
            }
        }
    }
    return 0;
}
