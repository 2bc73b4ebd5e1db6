#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "simlink/RequestArea.h"

// The link relay's wire protocol over TCP (written up in tools/relay/PROTOCOL.md): length-prefixed
// frames carrying the greeting, the opening of a server window with both ends' proofs of the secret,
// and one frame each way per exchange of a request area. Every frame after the client's first Open
// carries a MAC (FrameSeal). Pure byte code, shared by the link's relay transport and the relay.
namespace RelayProtocol {

inline constexpr std::uint16_t version = 2;
inline constexpr std::array<std::byte, 4> magic = {std::byte{'G'}, std::byte{'W'}, std::byte{'R'},
                                                   std::byte{'L'}};
inline constexpr std::size_t nonceSize = 32;
inline constexpr std::size_t proofSize = 32;
inline constexpr std::size_t macSize = 32;
inline constexpr std::size_t longestClassName = 32;
inline constexpr std::size_t lengthSize = 4;
// A frame's body: its type, at most a request area with the answer's header, and its MAC.
inline constexpr std::size_t longestBody = 1 + 16 + RequestArea::capacity + macSize;

enum class FrameType : std::uint8_t { Hello = 1, Open = 2, Opened = 3, Exchange = 4, Answer = 5 };

enum class OpenStatus : std::uint8_t { Found = 0, NoServerWindow = 1, WrongVersion = 2, Refused = 3 };

using Nonce = std::array<std::byte, nonceSize>;
using Proof = std::array<std::byte, proofSize>;
using ConnectionKey = std::array<std::byte, 32>;

struct Hello {
    std::uint16_t version = RelayProtocol::version;
    bool secretRequired = false;
    Nonce nonce{};  // the relay's
};

struct Open {
    std::uint16_t version = RelayProtocol::version;
    Nonce nonce{};  // the client's
    Proof proof{};  // the client's, over both nonces
    std::string className;
};

// The relay's answer to an Open. Found and NoServerWindow carry the relay's proof and travel sealed;
// WrongVersion and Refused carry a reason for the person at the client, unsealed, and the relay
// closes the connection after them. Only a WrongVersion answer may leave the class empty (an Open of
// another version cannot be read).
struct Opened {
    OpenStatus status = OpenStatus::NoServerWindow;
    std::string className;
    Proof proof{};
    std::string reason;
};

struct Exchange {
    std::uint32_t number = 0;
    std::span<const std::byte> area;
};

// How the relay's exchange with its server went, as the link's result: Okay (the server answered
// `serverAnswer`, and the answered area follows), TimedOut, SendFailed, or BadData when the relay
// refused the area.
struct Answer {
    std::uint32_t number = 0;
    std::uint32_t result = 0;
    std::uint32_t serverAnswer = 0;
    std::uint32_t lastError = 0;
    std::span<const std::byte> area;
};

// Whole frames, length prefix included, not yet sealed. The frames of every exchange are laid out
// in the storage of `reuse`, with room for the MAC, so that a connection needs no allocation per frame.
std::vector<std::byte> EncodeHello(const Hello& hello);
std::vector<std::byte> EncodeOpen(const Open& open);
std::vector<std::byte> EncodeOpened(const Opened& opened);
std::vector<std::byte> EncodeExchange(std::uint32_t number, std::span<const std::byte> area,
                                      std::vector<std::byte> reuse = {});
std::vector<std::byte> EncodeAnswer(const Answer& answer, std::vector<std::byte> reuse = {});

// Bodies as FrameReader gives them (type byte first), without their MAC; false for anything
// malformed. The spans of Exchange and Answer point into the body.
bool DecodeHello(std::span<const std::byte> body, Hello& hello);
bool DecodeOpen(std::span<const std::byte> body, Open& open);
bool DecodeOpened(std::span<const std::byte> body, Opened& opened);
bool DecodeExchange(std::span<const std::byte> body, Exchange& exchange);
bool DecodeAnswer(std::span<const std::byte> body, Answer& answer);

// The version a greeting names, read before the rest so that a relay of another version, whose
// greeting may be laid out otherwise, can be refused by it; false when the body is no greeting.
bool HelloVersion(std::span<const std::byte> body, std::uint16_t& spoken);
// The version an Open asks for, read before the rest so that an Open of another version can be
// answered; false when the body is too short to hold one.
bool OpenVersion(std::span<const std::byte> body, std::uint16_t& asked);
// Whether an Opened body is a refusal (WrongVersion or Refused), which travels unsealed.
bool IsRefusal(std::span<const std::byte> body);

// Splits a byte stream into frame bodies. A length of 0 or beyond longestBody makes the stream
// malformed for good; nothing larger than one frame is ever buffered.
class FrameReader {
public:
    enum class Status { Complete, Incomplete, Malformed };

    // Where the next received bytes go, and how many were put there.
    std::span<std::byte> Space();
    void Received(std::size_t count);
    // The next complete body, valid until the next call of Next or Space.
    Status Next(std::span<const std::byte>& body);

private:
    std::vector<std::byte> buffer = std::vector<std::byte>(lengthSize + longestBody);
    std::size_t filled = 0;
    std::size_t consumed = 0;
    bool malformed = false;
};

// Walks a client's used request area as a server would: records back to back from byte 0, each
// whole within the area, up to an end marker that is the area's last four bytes, the whole no larger
// than the area's capacity. Calls `record` for each read and write; false when the area is not so.
bool WalkUsedArea(
    std::span<const std::byte> area,
    const std::function<bool(std::uint32_t kind, std::uint32_t offset, std::uint32_t size)>& record);
// The used length of a laid-out area: up to and with its end marker; 0 when there is none in capacity.
std::size_t UsedAreaLength(std::span<const std::byte> area);

// What both ends derive from the shared secret (empty when the relay asks for none) and the two
// nonces, each an HMAC-SHA-256 keyed with the secret over its own label and the nonces: the client's
// proof, the relay's proof, and the key of the connection's frame MACs. False when the crypto failed.
bool ClientProof(std::span<const std::byte> secret, const Nonce& relayNonce, const Nonce& clientNonce,
                 Proof& proof);
bool RelayProof(std::span<const std::byte> secret, const Nonce& relayNonce, const Nonce& clientNonce,
                Proof& proof);
bool FrameKey(std::span<const std::byte> secret, const Nonce& relayNonce, const Nonce& clientNonce,
              ConnectionKey& key);
// Compares proofs in constant time.
bool SameProof(const Proof& a, const Proof& b);

// Whether a text may name a server window class on the wire.
bool IsClassName(std::string_view name);
// Whether a text may be a refusal's reason: printable ASCII, at most 255 bytes.
bool IsReason(std::string_view reason);

}  // namespace RelayProtocol
