#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The shared request area of the simulator link: the records a client lays out for the server and
// the walk over the answered records. Pure byte code, apart from any transport.
//
// Records lie back to back from byte 0, all numbers little-endian 32-bit:
//   read:  kind 1, offset, size, destination reference, then size bytes the server fills in
//   write: kind 2, offset, size, then the size bytes to store
//   end:   kind 0
namespace RequestArea {

inline constexpr std::uint32_t areaSize = 0x8000;
// Queued records and the end marker must fit in this much; the rest of the area stays unused.
inline constexpr std::uint32_t capacity = 0x7F00;

inline constexpr std::uint32_t endKind = 0;
inline constexpr std::uint32_t readKind = 1;
inline constexpr std::uint32_t writeKind = 2;
inline constexpr std::uint32_t readHeaderSize = 16;
inline constexpr std::uint32_t writeHeaderSize = 12;
inline constexpr std::uint32_t endMarkerSize = 4;

using Area = std::span<std::byte, areaSize>;
using ConstArea = std::span<const std::byte, areaSize>;

// A queued read that has a destination: where its record starts in the area, how many bytes it
// asks for, and the caller's buffer. A record refers to its entry by index + 1; 0 means no copy.
struct PendingRead {
    std::uint32_t position = 0;
    std::uint32_t size = 0;
    void* destination = nullptr;
};

// Whether a read or write record of that size still fits behind `used` queued bytes, end marker
// included. Sizes too large for the area never fit.
bool ReadFits(std::size_t used, std::uint32_t size);
bool WriteFits(std::size_t used, std::uint32_t size);

// Lays a record at `at` and gives its length. The caller has checked that it fits.
std::uint32_t PutRead(std::byte* at, std::uint32_t offset, std::uint32_t size, std::uint32_t reference);
std::uint32_t PutWrite(std::byte* at, std::uint32_t offset, std::uint32_t size, const void* source);
void PutEndMarker(std::byte* at);

std::uint32_t LoadWord(const std::byte* at);
void StoreWord(std::byte* at, std::uint32_t value);

// Checks the answered area, whose end marker was put at `end`, against the reads the client queued:
// every record must lie before the end marker with a known kind, and every pending read must come
// back in its place, in order, with its size. The server writes this area, so nothing read from it is
// trusted further than that.
bool AnswerMatchesQueue(ConstArea area, std::uint32_t end, std::span<const PendingRead> pending);

// The walk after a successful exchange: when the answer matches the queue, copies each pending read's
// bytes into its destination and gives true; otherwise touches no destination and gives false.
bool DeliverAnswer(ConstArea area, std::uint32_t end, std::span<const PendingRead> pending);

}  // namespace RequestArea
