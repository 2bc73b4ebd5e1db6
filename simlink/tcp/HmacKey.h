#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>

// HMAC-SHA-256 under one key, set up once and used for many messages: the relay's proofs, the key of
// a connection and the MAC of each of its frames. Backed by the platform's crypto library (nettle on
// Linux, CNG on Windows); nothing of the hash is written here.
class HmacKey {
public:
    static constexpr std::size_t digestSize = 32;
    using Digest = std::array<std::byte, digestSize>;

    explicit HmacKey(std::span<const std::byte> key);
    ~HmacKey();
    HmacKey(HmacKey&&) noexcept;
    HmacKey& operator=(HmacKey&&) noexcept;

    // The MAC over the parts one after another. False when the library failed; `digest` is then no MAC
    // and must not be compared with one.
    bool Mac(std::initializer_list<std::span<const std::byte>> parts, Digest& digest);

private:
    struct State;
    std::unique_ptr<State> state;
};
