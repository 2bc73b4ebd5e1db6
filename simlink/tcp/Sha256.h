#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// SHA-256 and HMAC-SHA-256, for proving knowledge of the relay's shared secret without sending it.
using Sha256Digest = std::array<std::byte, 32>;

Sha256Digest Sha256(std::span<const std::byte> message);
Sha256Digest HmacSha256(std::span<const std::byte> key, std::span<const std::byte> message);
