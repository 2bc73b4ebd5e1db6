#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>

#include "simlink/tcp/HmacKey.h"

// The few cryptographic services of the relay's protocol, from the platform's library: HMAC-SHA-256,
// the comparison of MACs in constant time, and random bytes for the nonces.
namespace RelayCrypto {

using Digest = HmacKey::Digest;

// HMAC-SHA-256 keyed with `key` over the parts one after another; false when the library failed.
inline bool HmacSha256(std::span<const std::byte> key,
                       std::initializer_list<std::span<const std::byte>> parts, Digest& digest) {
    return HmacKey(key).Mac(parts, digest);
}

// Whether two MACs are equal, in a time that does not depend on where they differ.
bool SameDigest(const Digest& a, const Digest& b);

// Fills `into` from the system's cryptographic random source; false when it gave too little.
bool FillRandom(std::span<std::byte> into);

}  // namespace RelayCrypto
