#include "simlink/tcp/FrameSeal.h"

#include <algorithm>
#include <array>

#include "simlink/tcp/RelayCrypto.h"

FrameSeal::FrameSeal(const RelayProtocol::ConnectionKey& connectionKey, Direction sendingDirection)
    : key(connectionKey),
      sending(sendingDirection),
      receiving(sendingDirection == Direction::ClientToRelay ? Direction::RelayToClient
                                                             : Direction::ClientToRelay) {}

bool FrameSeal::MacOf(Direction direction, std::uint64_t sequence, std::span<const std::byte> lengthPrefix,
                      std::span<const std::byte> content, HmacKey::Digest& mac) {
    std::array<std::byte, 9> header{static_cast<std::byte>(direction)};
    for (std::size_t i = 0; i < 8; ++i) {
        header[1 + i] = static_cast<std::byte>(sequence >> (8 * i));
    }
    return key.Mac({header, lengthPrefix, content}, mac);
}

bool FrameSeal::Seal(std::vector<std::byte>& frame) {
    using RelayProtocol::lengthSize;
    const std::size_t length = frame.size() - lengthSize + RelayProtocol::macSize;
    RequestArea::StoreWord(frame.data(), static_cast<std::uint32_t>(length));
    HmacKey::Digest mac;
    if (!MacOf(sending, sent, std::span(frame).first(lengthSize), std::span(frame).subspan(lengthSize),
               mac)) {
        return false;
    }
    frame.insert(frame.end(), mac.begin(), mac.end());
    ++sent;
    return true;
}

bool FrameSeal::Check(std::span<const std::byte> body, std::span<const std::byte>& unsealed) {
    if (body.size() <= RelayProtocol::macSize) {
        return false;
    }
    std::array<std::byte, RelayProtocol::lengthSize> lengthPrefix;
    RequestArea::StoreWord(lengthPrefix.data(), static_cast<std::uint32_t>(body.size()));
    const auto content = body.first(body.size() - RelayProtocol::macSize);
    HmacKey::Digest expected;
    HmacKey::Digest given;
    std::copy(body.end() - RelayProtocol::macSize, body.end(), given.begin());
    if (!MacOf(receiving, received, lengthPrefix, content, expected) ||
        !RelayCrypto::SameDigest(expected, given)) {
        return false;
    }
    ++received;
    unsealed = content;
    return true;
}
