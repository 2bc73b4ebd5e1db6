// The relay's crypto on Linux: HMAC-SHA-256 and the constant-time comparison from nettle, random
// bytes from the kernel's generator (nettle has no entropy source of its own and expects its users
// to draw from the system's).
#include <nettle/hmac.h>
#include <nettle/memops.h>
#include <sys/random.h>

#include <cerrno>

#include "simlink/tcp/HmacKey.h"
#include "simlink/tcp/RelayCrypto.h"

struct HmacKey::State {
    hmac_sha256_ctx context;
};

HmacKey::HmacKey(std::span<const std::byte> key) : state(std::make_unique<State>()) {
    hmac_sha256_set_key(&state->context, key.size(), reinterpret_cast<const std::uint8_t*>(key.data()));
}

HmacKey::~HmacKey() = default;
HmacKey::HmacKey(HmacKey&&) noexcept = default;
HmacKey& HmacKey::operator=(HmacKey&&) noexcept = default;

bool HmacKey::Mac(std::initializer_list<std::span<const std::byte>> parts, Digest& digest) {
    for (const auto part : parts) {
        hmac_sha256_update(&state->context, part.size(), reinterpret_cast<const std::uint8_t*>(part.data()));
    }
    // Digesting also returns the context to its keyed start for the next message.
    hmac_sha256_digest(&state->context, digest.size(), reinterpret_cast<std::uint8_t*>(digest.data()));
    return true;
}

namespace RelayCrypto {

bool SameDigest(const Digest& a, const Digest& b) {
    return memeql_sec(a.data(), b.data(), a.size()) != 0;
}

bool FillRandom(std::span<std::byte> into) {
    while (!into.empty()) {
        const ssize_t got = getrandom(into.data(), into.size(), 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        into = into.subspan(static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace RelayCrypto
