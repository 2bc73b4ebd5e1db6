// The relay's crypto on Windows: HMAC-SHA-256 and random bytes from the system's CNG (bcrypt).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <vector>

#include "simlink/tcp/HmacKey.h"
#include "simlink/tcp/RelayCrypto.h"

namespace {

// The HMAC-SHA-256 provider, opened once per process and kept; null when CNG would not open it.
BCRYPT_ALG_HANDLE HmacProvider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE opened = nullptr;
        if (BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr,
                                        BCRYPT_ALG_HANDLE_HMAC_FLAG) != 0) {
            opened = nullptr;
        }
        return opened;
    }();
    return provider;
}

}  // namespace

// CNG takes the key with each hash object, so the key itself is kept. HMAC pads a key with zeros to
// the block, so an empty key is the same as one zero byte; that form spares CNG an empty secret.
struct HmacKey::State {
    std::vector<UCHAR> key;
};

HmacKey::HmacKey(std::span<const std::byte> key) : state(std::make_unique<State>()) {
    const auto* bytes = reinterpret_cast<const UCHAR*>(key.data());
    state->key.assign(bytes, bytes + key.size());
    if (state->key.empty()) {
        state->key.push_back(0);
    }
}

HmacKey::~HmacKey() = default;
HmacKey::HmacKey(HmacKey&&) noexcept = default;
HmacKey& HmacKey::operator=(HmacKey&&) noexcept = default;

bool HmacKey::Mac(std::initializer_list<std::span<const std::byte>> parts, Digest& digest) {
    const BCRYPT_ALG_HANDLE provider = HmacProvider();
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (provider == nullptr || BCryptCreateHash(provider, &hash, nullptr, 0, state->key.data(),
                                                static_cast<ULONG>(state->key.size()), 0) != 0) {
        return false;
    }
    bool ok = true;
    for (const auto part : parts) {
        auto* bytes = reinterpret_cast<PUCHAR>(const_cast<std::byte*>(part.data()));
        ok = ok && BCryptHashData(hash, bytes, static_cast<ULONG>(part.size()), 0) == 0;
    }
    ok = ok && BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()),
                                static_cast<ULONG>(digest.size()), 0) == 0;
    BCryptDestroyHash(hash);
    return ok;
}

namespace RelayCrypto {

// CNG has no comparison of its own: every byte is looked at, whatever the first difference.
bool SameDigest(const Digest& a, const Digest& b) {
    volatile unsigned difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference = difference | std::to_integer<unsigned>(a[i] ^ b[i]);
    }
    return difference == 0;
}

bool FillRandom(std::span<std::byte> into) {
    return BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(into.data()), static_cast<ULONG>(into.size()),
                           BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

}  // namespace RelayCrypto
