#include "simlink/tcp/RelayProtocol.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "simlink/tcp/RelayCrypto.h"

namespace RelayProtocol {

namespace {

// Lays a frame out: length prefix, type, then the parts appended by the caller.
class FrameWriter {
public:
    explicit FrameWriter(FrameType type, std::vector<std::byte> reuse = {}) : bytes(std::move(reuse)) {
        bytes.clear();
        bytes.reserve(lengthSize + longestBody);
        bytes.resize(lengthSize);
        bytes.push_back(static_cast<std::byte>(type));
    }
    void Byte(std::uint8_t value) { bytes.push_back(std::byte{value}); }
    void Half(std::uint16_t value) {
        Byte(static_cast<std::uint8_t>(value & 0xFF));
        Byte(static_cast<std::uint8_t>(value >> 8));
    }
    void Word(std::uint32_t value) {
        const std::size_t at = bytes.size();
        bytes.resize(at + 4);
        RequestArea::StoreWord(bytes.data() + at, value);
    }
    void Bytes(std::span<const std::byte> more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
    void Text(const std::string& text) {
        Byte(static_cast<std::uint8_t>(text.size()));
        Bytes(std::as_bytes(std::span(text.data(), text.size())));
    }
    std::vector<std::byte> Done() {
        RequestArea::StoreWord(bytes.data(), static_cast<std::uint32_t>(bytes.size() - lengthSize));
        return std::move(bytes);
    }

private:
    std::vector<std::byte> bytes;
};

// Takes the parts of a body in order; any read past the end leaves it failed.
class BodyReader {
public:
    BodyReader(std::span<const std::byte> body, FrameType type)
        : rest(body), ok(!body.empty() && body[0] == static_cast<std::byte>(type)) {
        if (ok) {
            rest = rest.subspan(1);
        }
    }
    std::span<const std::byte> Take(std::size_t count) {
        if (!ok || rest.size() < count) {
            ok = false;
            return {};
        }
        const auto taken = rest.first(count);
        rest = rest.subspan(count);
        return taken;
    }
    std::uint8_t Byte() {
        const auto b = Take(1);
        return ok ? std::to_integer<std::uint8_t>(b[0]) : 0;
    }
    std::uint16_t Half() {
        const auto b = Take(2);
        return ok ? static_cast<std::uint16_t>(std::to_integer<unsigned>(b[0]) |
                                               (std::to_integer<unsigned>(b[1]) << 8))
                  : 0;
    }
    std::uint32_t Word() {
        const auto b = Take(4);
        return ok ? RequestArea::LoadWord(b.data()) : 0;
    }
    bool Text(std::string& text) {
        const std::size_t length = Byte();
        const auto b = Take(length);
        text.assign(reinterpret_cast<const char*>(b.data()), b.size());
        return ok;
    }
    template <std::size_t n>
    void Array(std::array<std::byte, n>& out) {
        const auto b = Take(n);
        if (ok) {
            std::copy(b.begin(), b.end(), out.begin());
        }
    }
    std::span<const std::byte> Rest() {
        const auto all = rest;
        rest = {};
        return all;
    }
    bool Finished() const { return ok && rest.empty(); }
    bool Ok() const { return ok; }

private:
    std::span<const std::byte> rest;
    bool ok;
};

}  // namespace

std::vector<std::byte> EncodeHello(const Hello& hello) {
    FrameWriter frame(FrameType::Hello);
    frame.Bytes(magic);
    frame.Half(hello.version);
    frame.Byte(hello.secretRequired ? 1 : 0);
    frame.Bytes(hello.nonce);
    return frame.Done();
}

std::vector<std::byte> EncodeOpen(const Open& open) {
    FrameWriter frame(FrameType::Open);
    frame.Half(open.version);
    frame.Bytes(open.nonce);
    frame.Bytes(open.proof);
    frame.Text(open.className);
    return frame.Done();
}

std::vector<std::byte> EncodeOpened(const Opened& opened) {
    FrameWriter frame(FrameType::Opened);
    frame.Byte(static_cast<std::uint8_t>(opened.status));
    frame.Text(opened.className);
    if (opened.status == OpenStatus::Found || opened.status == OpenStatus::NoServerWindow) {
        frame.Bytes(opened.proof);
    } else {
        frame.Text(opened.reason);
    }
    return frame.Done();
}

std::vector<std::byte> EncodeExchange(std::uint32_t number, std::span<const std::byte> area,
                                      std::vector<std::byte> reuse) {
    FrameWriter frame(FrameType::Exchange, std::move(reuse));
    frame.Word(number);
    frame.Bytes(area);
    return frame.Done();
}

std::vector<std::byte> EncodeAnswer(const Answer& answer, std::vector<std::byte> reuse) {
    FrameWriter frame(FrameType::Answer, std::move(reuse));
    frame.Word(answer.number);
    frame.Word(answer.result);
    frame.Word(answer.serverAnswer);
    frame.Word(answer.lastError);
    frame.Bytes(answer.area);
    return frame.Done();
}

bool HelloVersion(std::span<const std::byte> body, std::uint16_t& spoken) {
    BodyReader reader(body, FrameType::Hello);
    const auto givenMagic = reader.Take(magic.size());
    spoken = reader.Half();
    return reader.Ok() && std::equal(givenMagic.begin(), givenMagic.end(), magic.begin());
}

bool DecodeHello(std::span<const std::byte> body, Hello& hello) {
    BodyReader reader(body, FrameType::Hello);
    const auto givenMagic = reader.Take(magic.size());
    if (!reader.Ok() || !std::equal(givenMagic.begin(), givenMagic.end(), magic.begin())) {
        return false;
    }
    hello.version = reader.Half();
    const std::uint8_t secret = reader.Byte();
    hello.secretRequired = secret != 0;
    reader.Array(hello.nonce);
    return reader.Finished() && secret <= 1;
}

bool OpenVersion(std::span<const std::byte> body, std::uint16_t& asked) {
    BodyReader reader(body, FrameType::Open);
    asked = reader.Half();
    return reader.Ok();
}

bool DecodeOpen(std::span<const std::byte> body, Open& open) {
    BodyReader reader(body, FrameType::Open);
    open.version = reader.Half();
    reader.Array(open.nonce);
    reader.Array(open.proof);
    return reader.Text(open.className) && reader.Finished() && IsClassName(open.className);
}

bool IsRefusal(std::span<const std::byte> body) {
    BodyReader reader(body, FrameType::Opened);
    const std::uint8_t status = reader.Byte();
    return reader.Ok() && (status == static_cast<std::uint8_t>(OpenStatus::WrongVersion) ||
                           status == static_cast<std::uint8_t>(OpenStatus::Refused));
}

bool DecodeOpened(std::span<const std::byte> body, Opened& opened) {
    BodyReader reader(body, FrameType::Opened);
    const std::uint8_t status = reader.Byte();
    opened.status = static_cast<OpenStatus>(status);
    if (!reader.Text(opened.className) || status > static_cast<std::uint8_t>(OpenStatus::Refused)) {
        return false;
    }
    if (IsRefusal(body)) {
        const bool classOk = IsClassName(opened.className) ||
                             (opened.status == OpenStatus::WrongVersion && opened.className.empty());
        return reader.Text(opened.reason) && reader.Finished() && classOk && IsReason(opened.reason);
    }
    reader.Array(opened.proof);
    return reader.Finished() && IsClassName(opened.className);
}

bool DecodeExchange(std::span<const std::byte> body, Exchange& exchange) {
    BodyReader reader(body, FrameType::Exchange);
    exchange.number = reader.Word();
    // Any length within the frame's bound: the relay's walk answers an area it cannot serve.
    exchange.area = reader.Rest();
    return reader.Ok();
}

bool DecodeAnswer(std::span<const std::byte> body, Answer& answer) {
    BodyReader reader(body, FrameType::Answer);
    answer.number = reader.Word();
    answer.result = reader.Word();
    answer.serverAnswer = reader.Word();
    answer.lastError = reader.Word();
    answer.area = reader.Rest();
    return reader.Ok() && answer.area.size() <= RequestArea::capacity;
}

std::span<std::byte> FrameReader::Space() {
    if (consumed > 0) {
        // Moves the unread bytes to the front; at most one frame's worth is ever kept.
        std::memmove(buffer.data(), buffer.data() + consumed, filled - consumed);
        filled -= consumed;
        consumed = 0;
    }
    return std::span(buffer).subspan(filled);
}

void FrameReader::Received(std::size_t count) {
    filled += std::min(count, buffer.size() - filled);
}

FrameReader::Status FrameReader::Next(std::span<const std::byte>& body) {
    if (malformed) {
        return Status::Malformed;
    }
    const std::size_t available = filled - consumed;
    if (available < lengthSize) {
        return Status::Incomplete;
    }
    const std::uint32_t length = RequestArea::LoadWord(buffer.data() + consumed);
    if (length == 0 || length > longestBody) {
        malformed = true;
        return Status::Malformed;
    }
    if (available < lengthSize + length) {
        return Status::Incomplete;
    }
    body = std::span<const std::byte>(buffer.data() + consumed + lengthSize, length);
    consumed += lengthSize + length;
    return Status::Complete;
}

bool WalkUsedArea(std::span<const std::byte> area,
                  const std::function<bool(std::uint32_t, std::uint32_t, std::uint32_t)>& record) {
    using namespace RequestArea;
    if (area.size() < endMarkerSize || area.size() > capacity) {
        return false;
    }
    const std::uint64_t end = area.size() - endMarkerSize;
    std::uint64_t position = 0;
    for (;;) {
        const std::uint32_t kind = LoadWord(area.data() + position);
        if (kind == endKind) {
            return position == end;
        }
        if (kind != readKind && kind != writeKind) {
            return false;
        }
        const std::uint32_t header = kind == readKind ? readHeaderSize : writeHeaderSize;
        if (position + header > end) {
            return false;
        }
        const std::uint32_t offset = LoadWord(area.data() + position + 4);
        const std::uint32_t size = LoadWord(area.data() + position + 8);
        if (position + header + size > end || !record(kind, offset, size)) {
            return false;
        }
        position += header + size;
    }
}

std::size_t UsedAreaLength(std::span<const std::byte> area) {
    using namespace RequestArea;
    std::uint64_t position = 0;
    const std::uint64_t limit = std::min<std::size_t>(area.size(), capacity);
    while (position + endMarkerSize <= limit) {
        const std::uint32_t kind = LoadWord(area.data() + position);
        if (kind == endKind) {
            return static_cast<std::size_t>(position + endMarkerSize);
        }
        if (kind != readKind && kind != writeKind) {
            return 0;
        }
        const std::uint32_t header = kind == readKind ? readHeaderSize : writeHeaderSize;
        if (position + header > limit) {
            return 0;
        }
        position += header + LoadWord(area.data() + position + 8);
    }
    return 0;
}

namespace {

// One HMAC-SHA-256 keyed with the secret over a label and both nonces, the relay's first.
bool Derive(std::string_view label, std::span<const std::byte> secret, const Nonce& relayNonce,
            const Nonce& clientNonce, std::array<std::byte, 32>& out) {
    return RelayCrypto::HmacSha256(secret, {std::as_bytes(std::span(label)), relayNonce, clientNonce}, out);
}

}  // namespace

bool ClientProof(std::span<const std::byte> secret, const Nonce& relayNonce, const Nonce& clientNonce,
                 Proof& proof) {
    return Derive("GWRL client proof", secret, relayNonce, clientNonce, proof);
}

bool RelayProof(std::span<const std::byte> secret, const Nonce& relayNonce, const Nonce& clientNonce,
                Proof& proof) {
    return Derive("GWRL relay proof", secret, relayNonce, clientNonce, proof);
}

bool FrameKey(std::span<const std::byte> secret, const Nonce& relayNonce, const Nonce& clientNonce,
              ConnectionKey& key) {
    return Derive("GWRL frame key", secret, relayNonce, clientNonce, key);
}

bool SameProof(const Proof& a, const Proof& b) {
    return RelayCrypto::SameDigest(a, b);
}

bool IsClassName(std::string_view name) {
    return !name.empty() && name.size() <= longestClassName &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

bool IsReason(std::string_view reason) {
    return reason.size() <= 255 &&
           std::all_of(reason.begin(), reason.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

}  // namespace RelayProtocol
