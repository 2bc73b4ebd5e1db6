// The relay's crypto over the platform's library (nettle here, CNG in the Windows build): published
// HMAC-SHA-256 vectors, messages given in parts, a key used again, and MACs that differ anywhere.
#include <gtest/gtest.h>

#include <string>

#include "simlink/tcp/HmacKey.h"
#include "simlink/tcp/RelayCrypto.h"

namespace {

std::span<const std::byte> TextBytes(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

std::string Hex(const RelayCrypto::Digest& digest) {
    std::string hex;
    for (const std::byte b : digest) {
        hex += "0123456789abcdef"[std::to_integer<unsigned>(b) >> 4];
        hex += "0123456789abcdef"[std::to_integer<unsigned>(b) & 15];
    }
    return hex;
}

std::string Counting(int from, int to) {
    std::string bytes;
    for (int b = from; b <= to; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

TEST(HmacSha256, MatchesTheRfc4231VectorsWholeAndInParts) {
    const struct {
        std::string key;
        std::string message;
        const char* mac;
    } cases[] = {
        {std::string(20, '\x0b'), "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {Counting(1, 25), std::string(50, '\xcd'),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {std::string(131, '\xaa'),
         "This is a test using a larger than block-size key and a larger than block-size data. The key needs "
         "to be "
         "hashed before being used by the HMAC algorithm.",
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
        // A relay without a secret keys its MACs with nothing.
        {"", "", "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad"},
    };
    for (const auto& c : cases) {
        RelayCrypto::Digest whole;
        ASSERT_TRUE(RelayCrypto::HmacSha256(TextBytes(c.key), {TextBytes(c.message)}, whole));
        EXPECT_EQ(Hex(whole), c.mac) << c.message;

        // The same key again, the message split in three: the key's state must start afresh.
        HmacKey key(TextBytes(c.key));
        const std::size_t third = c.message.size() / 3;
        RelayCrypto::Digest parts;
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(
                key.Mac({TextBytes(c.message.substr(0, third)), TextBytes(c.message.substr(third, third)),
                         TextBytes(c.message.substr(2 * third))},
                        parts));
            EXPECT_EQ(Hex(parts), c.mac) << c.message << " round " << round;
        }
    }
}

TEST(RelayCrypto, ComparesEveryByteAndDrawsFreshNonces) {
    RelayCrypto::Digest a{};
    EXPECT_TRUE(RelayCrypto::SameDigest(a, a));
    for (const std::size_t at : {std::size_t{0}, std::size_t{17}, std::size_t{31}}) {
        RelayCrypto::Digest b = a;
        b[at] = std::byte{1};
        EXPECT_FALSE(RelayCrypto::SameDigest(a, b)) << at;
    }
    RelayCrypto::Digest first{};
    RelayCrypto::Digest second{};
    ASSERT_TRUE(RelayCrypto::FillRandom(first));
    ASSERT_TRUE(RelayCrypto::FillRandom(second));
    EXPECT_NE(first, second);
    EXPECT_NE(first, RelayCrypto::Digest{});
}

}  // namespace
