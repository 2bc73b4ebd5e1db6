// The relay's wire pieces: the secret's hash, frames split anyhow, the area walk, the option parser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simlink/IpcLink.h"
#include "simlink/tcp/RelayIpcLinkMaker.h"
#include "simlink/tcp/RelayProtocol.h"
#include "tools/relay/CheckClientArea.h"
#include "tools/relay/RelayOptions.h"

namespace {

TEST(RelayFrames, ReadInAnyPiecesAndRefusedBeyondTheirBound) {
    std::vector<std::byte> stream = RelayProtocol::EncodeOpen({RelayProtocol::version, {}, {}, "UIPCMAIN"});
    const std::vector<std::byte> area(RequestArea::capacity, std::byte{7});
    const std::vector<std::byte> exchange = RelayProtocol::EncodeExchange(42, area);
    stream.insert(stream.end(), exchange.begin(), exchange.end());
    for (const std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{4096}}) {
        RelayProtocol::FrameReader reader;
        std::vector<std::string> seen;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            const std::size_t count = std::min(piece, stream.size() - at);
            const auto space = reader.Space();
            ASSERT_GE(space.size(), count);
            std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), count, space.begin());
            reader.Received(count);
            std::span<const std::byte> body;
            while (reader.Next(body) == RelayProtocol::FrameReader::Status::Complete) {
                RelayProtocol::Open open;
                RelayProtocol::Exchange got;
                if (RelayProtocol::DecodeOpen(body, open)) {
                    seen.push_back(open.className);
                } else if (RelayProtocol::DecodeExchange(body, got) && got.area.size() == area.size()) {
                    seen.push_back("exchange " + std::to_string(got.number));
                }
            }
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"UIPCMAIN", "exchange 42"})) << "pieces of " << piece;
    }
    for (const std::uint32_t length : {0u, static_cast<std::uint32_t>(RelayProtocol::longestBody + 1)}) {
        RelayProtocol::FrameReader reader;
        RequestArea::StoreWord(reader.Space().data(), length);
        reader.Received(4);
        std::span<const std::byte> body;
        EXPECT_EQ(reader.Next(body), RelayProtocol::FrameReader::Status::Malformed) << length;
    }
}

// Lays out records as a client would and gives the used area, end marker included.
struct AreaBuilder {
    std::vector<std::byte> bytes = std::vector<std::byte>(RequestArea::areaSize);
    std::uint32_t used = 0;
    AreaBuilder& Read(std::uint32_t offset, std::uint32_t size) {
        used += RequestArea::PutRead(bytes.data() + used, offset, size, 1);
        return *this;
    }
    AreaBuilder& Write(std::uint32_t offset, std::uint32_t size) {
        const std::vector<std::byte> data(size);
        used += RequestArea::PutWrite(bytes.data() + used, offset, size, data.data());
        return *this;
    }
    std::vector<std::byte> Done(std::uint32_t extra = 0) {
        RequestArea::PutEndMarker(bytes.data() + used);
        return std::vector<std::byte>(bytes.begin(), bytes.begin() + used + 4 + extra);
    }
};

TEST(CheckClientArea, AcceptsWhatALinkLaysOutAndNothingElse) {
    std::vector<std::byte> overrun = AreaBuilder().Read(0x0560, 8).Done();
    RequestArea::StoreWord(overrun.data() + 8, 9);  // the read's size reaches into the end marker
    std::vector<std::byte> unknownKind = AreaBuilder().Read(0x0560, 8).Done();
    RequestArea::StoreWord(unknownKind.data(), 3);
    struct Case {
        const char* what;
        std::vector<std::byte> area;
        bool allowWrites;
        bool accepted;
    } cases[] = {
        {"handshake",
         AreaBuilder().Read(0x3304, 4).Read(0x3308, 4).Write(IpcLink::clientVersionOffset, 2).Done(), false,
         true},
        {"position", AreaBuilder().Read(0x0560, 8).Read(0x0568, 8).Read(0x0020, 4).Done(), false, true},
        {"largest read", AreaBuilder().Read(0, RequestArea::capacity - 20).Done(), false, true},
        {"read beyond capacity", AreaBuilder().Read(0, RequestArea::capacity - 19).Done(), false, false},
        {"write elsewhere", AreaBuilder().Write(0x0560, 8).Done(), false, false},
        {"write of 4 at the client version", AreaBuilder().Write(IpcLink::clientVersionOffset, 4).Done(),
         false, false},
        {"write when allowed", AreaBuilder().Write(0x0560, 8).Done(), true, true},
        {"record over the end marker", overrun, true, false},
        {"unknown kind", unknownKind, true, false},
        {"bytes after the end marker", AreaBuilder().Read(0x0560, 8).Done(4), true, false},
        {"no end marker", std::vector<std::byte>(3), true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckClientArea(c.area, c.allowWrites), c.accepted) << c.what;
    }
}

TEST(RelayAddress, ParsesHostAndPort) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        std::uint16_t port;
    } cases[] = {
        {"192.168.1.20:9117", true, "192.168.1.20", 9117},
        {"simpc.local:1", true, "simpc.local", 1},
        {"[::1]:65535", true, "::1", 65535},
        {"::1:9117", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:", false, "", 0},
        {":9117", false, "", 0},
        {"host", false, "", 0},
        {"host:12x", false, "", 0},
    };
    for (const Case& c : cases) {
        RelayAddress address;
        std::string problem;
        EXPECT_EQ(ParseRelayAddress(c.text, address, problem), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(address.host, c.host);
            EXPECT_EQ(address.port, c.port);
        } else {
            EXPECT_FALSE(problem.empty());
        }
    }
}

TEST(RelayOptions, ListeningBeyondLoopbackNeedsASecret) {
    const auto parse = [](std::vector<std::string_view> arguments) { return ParseRelayOptions(arguments); };
    EXPECT_TRUE(parse({"--listen", "127.0.0.1:0"}).error.empty());
    EXPECT_EQ(parse({"--listen", "127.0.0.1:0"}).options.port, 0);
    EXPECT_FALSE(parse({"--listen", "0.0.0.0:9117"}).error.empty());
    EXPECT_FALSE(parse({"--listen", "[::]:9117"}).error.empty());
    EXPECT_TRUE(parse({"--listen", "0.0.0.0:9117", "--secret-file", "s"}).error.empty());
    EXPECT_FALSE(parse({"--max-clients", "61"}).error.empty());
}

}  // namespace
