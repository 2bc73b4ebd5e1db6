#include "simlink/posix/SocketProtocol.h"

#include <cstring>

#include "simlink/RequestArea.h"

namespace SocketProtocol {

std::size_t EncodeRequest(const Request& request, std::span<std::byte, longestRequest> out) {
    const std::size_t length = request.atomText.size();
    if (length > longestAtomText) {
        return 0;
    }
    RequestArea::StoreWord(out.data(), request.sequence);
    RequestArea::StoreWord(out.data() + 4, request.message);
    RequestArea::StoreWord(out.data() + 8, request.wParam);
    RequestArea::StoreWord(out.data() + 12, request.lParam);
    out[16] = static_cast<std::byte>(length & 0xFF);
    out[17] = static_cast<std::byte>(length >> 8);
    std::memcpy(out.data() + requestHeaderSize, request.atomText.data(), length);
    return requestHeaderSize + length;
}

Decoded DecodeRequest(std::span<const std::byte> bytes, Request& request, std::size_t& consumed) {
    consumed = 0;
    if (bytes.size() < requestHeaderSize) {
        return Decoded::Incomplete;
    }
    const std::size_t length =
        std::to_integer<std::size_t>(bytes[16]) | (std::to_integer<std::size_t>(bytes[17]) << 8);
    if (length > longestAtomText) {
        return Decoded::Malformed;
    }
    if (bytes.size() < requestHeaderSize + length) {
        return Decoded::Incomplete;
    }
    request.sequence = RequestArea::LoadWord(bytes.data());
    request.message = RequestArea::LoadWord(bytes.data() + 4);
    request.wParam = RequestArea::LoadWord(bytes.data() + 8);
    request.lParam = RequestArea::LoadWord(bytes.data() + 12);
    request.atomText.assign(reinterpret_cast<const char*>(bytes.data() + requestHeaderSize), length);
    consumed = requestHeaderSize + length;
    return Decoded::Complete;
}

void EncodeAnswer(const Answer& answer, std::span<std::byte, answerSize> out) {
    RequestArea::StoreWord(out.data(), answer.sequence);
    RequestArea::StoreWord(out.data() + 4, answer.result);
}

Answer DecodeAnswer(std::span<const std::byte, answerSize> bytes) {
    return Answer{RequestArea::LoadWord(bytes.data()), RequestArea::LoadWord(bytes.data() + 4)};
}

std::uint32_t MessageIdFor(std::string_view name) {
    // FNV-1a, folded into 0xC000..0xFFFF.
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return 0xC000u | (hash & 0x3FFFu);
}

}  // namespace SocketProtocol
