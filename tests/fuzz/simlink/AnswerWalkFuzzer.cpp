// Feeds arbitrary answered request areas to the link's walk. The input first queues records as the
// link does, then patches the area as a server might. Whatever the patches, the walk may touch only
// the area and the queued destinations (AddressSanitizer watches both, each allocated to its exact
// size); a refused answer leaves every destination as it was, an accepted one fills each with the
// bytes at its record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "simlink/RequestArea.h"

namespace {

constexpr std::byte untouched{0xA5};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : at(data), end(data + size) {}
    bool Empty() const { return at == end; }
    std::uint32_t Take(int bytes) {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes && at != end; ++i) {
            value |= std::uint32_t{*at++} << (8 * i);
        }
        return value;
    }

private:
    const std::uint8_t* at;
    const std::uint8_t* end;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace RequestArea;
    Input input(data, size);
    const auto area = std::make_unique<std::byte[]>(areaSize);
    std::memset(area.get(), 0, areaSize);
    std::vector<PendingRead> pending;
    std::vector<std::unique_ptr<std::byte[]>> destinations;
    std::vector<std::uint32_t> starts;  // where each queued record begins

    // Queue up to 15 records of up to 2047 bytes, as the link lays them out.
    std::uint32_t used = 0;
    const std::uint32_t records = input.Take(1) % 16;
    for (std::uint32_t i = 0; i < records; ++i) {
        const std::uint32_t choice = input.Take(1) % 3;
        const std::uint32_t length = input.Take(2) % 2048;
        if (choice == 2) {
            if (!WriteFits(used, length)) {
                break;
            }
            const std::vector<std::byte> source(length, std::byte{0x3C});
            starts.push_back(used);
            used += PutWrite(area.get() + used, 0x4000, length, source.data());
            continue;
        }
        if (!ReadFits(used, length)) {
            break;
        }
        std::uint32_t reference = 0;
        if (choice == 1 && length != 0) {
            destinations.push_back(std::make_unique<std::byte[]>(length));
            std::memset(destinations.back().get(), std::to_integer<int>(untouched), length);
            pending.push_back({used, length, destinations.back().get()});
            reference = static_cast<std::uint32_t>(pending.size());
        }
        starts.push_back(used);
        used += PutRead(area.get() + used, 0x0560, length, reference);
    }
    PutEndMarker(area.get() + used);
    starts.push_back(used);

    // The server's doing: a header field of a record (or the end marker) set to a small number or
    // moved by a small step, or up to 255 bytes anywhere in the area.
    while (!input.Empty()) {
        const std::uint32_t patch = input.Take(1) % 3;
        if (patch < 2) {
            const std::uint32_t start = starts[input.Take(1) % starts.size()];
            const std::uint32_t field = 4 * (input.Take(1) % 4);
            if (start + field + 4 > areaSize) {
                continue;
            }
            const std::uint32_t old = LoadWord(area.get() + start + field);
            StoreWord(area.get() + start + field, patch == 0 ? input.Take(2) : old + input.Take(1));
            continue;
        }
        const std::uint32_t position = input.Take(2) % areaSize;
        const std::uint32_t length = input.Take(1);
        for (std::uint32_t i = 0; i < length && position + i < areaSize && !input.Empty(); ++i) {
            area[position + i] = static_cast<std::byte>(input.Take(1));
        }
    }

    const ConstArea answered{area.get(), areaSize};
    const bool delivered = DeliverAnswer(answered, used, pending);
    for (const PendingRead& read : pending) {
        const auto* destination = static_cast<const std::byte*>(read.destination);
        for (std::uint32_t i = 0; i < read.size; ++i) {
            const std::byte expected = delivered ? area[read.position + readHeaderSize + i] : untouched;
            if (destination[i] != expected) {
                std::abort();
            }
        }
    }
    return 0;
}
