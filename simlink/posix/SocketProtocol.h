#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// How the link's registered message travels on POSIX: the server "window" is a local stream socket,
// and each send of the message is one request frame on it, answered by one answer frame.
//
//   request: sequence, message id, wParam (the atom), lParam (0)  - 32-bit each
//            length of the atom's text (16-bit), then the text, which labels the request area;
//            the area itself travels alongside as an open descriptor
//   answer:  sequence of the request, the server's 32-bit result
//
// All numbers little-endian. The sequence lets a client skip the late answer to a request it gave up
// waiting for.
namespace SocketProtocol {

inline constexpr std::size_t requestHeaderSize = 18;
inline constexpr std::size_t longestAtomText = 255;
inline constexpr std::size_t longestRequest = requestHeaderSize + longestAtomText;
inline constexpr std::size_t answerSize = 8;

struct Request {
    std::uint32_t sequence = 0;
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;
    std::string atomText;
};

struct Answer {
    std::uint32_t sequence = 0;
    std::uint32_t result = 0;
};

enum class Decoded { Complete, Incomplete, Malformed };

// Lays the request into `out`, which holds longestRequest bytes; gives the frame's length, or 0 when
// the atom's text is too long.
std::size_t EncodeRequest(const Request& request, std::span<std::byte, longestRequest> out);
// Takes one request from the front of `bytes`; `consumed` tells how many bytes it had.
Decoded DecodeRequest(std::span<const std::byte> bytes, Request& request, std::size_t& consumed);

void EncodeAnswer(const Answer& answer, std::span<std::byte, answerSize> out);
Answer DecodeAnswer(std::span<const std::byte, answerSize> bytes);

// The id a registered message of that name has, in the range Windows gives such messages.
std::uint32_t MessageIdFor(std::string_view name);

}  // namespace SocketProtocol
