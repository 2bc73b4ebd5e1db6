#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "simlink/tcp/HmacKey.h"
#include "simlink/tcp/RelayProtocol.h"

// The MACs of one connection's frames after the client's first Open. Each frame ends in an
// HMAC-SHA-256, under the connection's key, over its direction, its sequence number and its bytes
// (length prefix included). Sequence numbers are not sent: each end counts the frames of each
// direction from 0. So a changed frame, one sent again, one out of order, one reflected back or one
// from another connection (whose key differs) all fail the check.
class FrameSeal {
public:
    enum class Direction : std::uint8_t { ClientToRelay = 1, RelayToClient = 2 };

    FrameSeal(const RelayProtocol::ConnectionKey& key, Direction sending);

    // Appends the MAC to a whole unsealed frame and counts it as sent; false when the crypto failed.
    bool Seal(std::vector<std::byte>& frame);
    // Checks a received body (type first, MAC last) as the next frame from the other end and gives
    // it without its MAC; false when it fails.
    bool Check(std::span<const std::byte> body, std::span<const std::byte>& unsealed);

private:
    bool MacOf(Direction direction, std::uint64_t sequence, std::span<const std::byte> lengthPrefix,
               std::span<const std::byte> content, HmacKey::Digest& mac);

    HmacKey key;
    Direction sending;
    Direction receiving;
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
};
