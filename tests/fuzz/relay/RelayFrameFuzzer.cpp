// Feeds arbitrary bytes, in pieces the input chooses, to the relay's frame reader, and every frame it
// gives to each decoder. The reader must never hand out more than it was given nor buffer beyond one
// frame; a decoded area must lie within its frame, an answered one also within the area's capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "simlink/tcp/RelayProtocol.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void DecodeEveryWay(std::span<const std::byte> body) {
    Check(!body.empty() && body.size() <= RelayProtocol::longestBody);
    RelayProtocol::Hello hello;
    RelayProtocol::Open open;
    RelayProtocol::Opened opened;
    RelayProtocol::Exchange exchange;
    RelayProtocol::Answer answer;
    RelayProtocol::DecodeHello(body, hello);
    if (RelayProtocol::DecodeOpen(body, open)) {
        Check(RelayProtocol::IsClassName(open.className));
    }
    if (RelayProtocol::DecodeOpened(body, opened)) {
        Check(RelayProtocol::IsClassName(opened.className) ||
              (opened.status == RelayProtocol::OpenStatus::WrongVersion && opened.className.empty()));
        Check(RelayProtocol::IsReason(opened.reason));
    }
    if (RelayProtocol::DecodeExchange(body, exchange)) {
        Check(exchange.area.data() >= body.data() &&
              exchange.area.data() + exchange.area.size() == body.data() + body.size());
    }
    if (RelayProtocol::DecodeAnswer(body, answer)) {
        Check(answer.area.size() <= RequestArea::capacity);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RelayProtocol::FrameReader reader;
    std::size_t at = 0;
    while (at < size) {
        // The first byte of each piece says how long the piece is.
        const std::size_t piece = 1 + data[at] * std::size_t{16};
        ++at;
        const auto space = reader.Space();
        const std::size_t count = std::min({piece, size - at, space.size()});
        std::memcpy(space.data(), data + at, count);
        reader.Received(count);
        at += count;
        std::span<const std::byte> body;
        RelayProtocol::FrameReader::Status status;
        while ((status = reader.Next(body)) == RelayProtocol::FrameReader::Status::Complete) {
            DecodeEveryWay(body);
        }
        if (status == RelayProtocol::FrameReader::Status::Malformed) {
            break;
        }
        if (count == 0 && space.empty()) {
            std::abort();  // a full buffer without a complete frame: the bound is wrong
        }
    }
    return 0;
}
