// Queuing and exchanging requests on the in-process fake server, with time on a virtual clock.
#include <gtest/gtest.h>

#include <vector>

#include "simlink/AircraftPosition.h"
#include "simlink/ReadAircraftPosition.h"
#include "tests/unit/simlink/FakeLinkServer.h"

namespace {

constexpr std::uint64_t untouched = 0x5A5A5A5A5A5A5A5Aull;

// A link on the fake server, opened.
struct OpenLink : LinkOnFakeServer {
    OpenLink() { EXPECT_TRUE(link.Open(0)) << link.GetResultText(); }
};

void Put(RequestArea::Area area, std::uint32_t at, std::uint32_t word) {
    RequestArea::StoreWord(area.data() + at, word);
}

// Every case queues behind a read of nothing, which takes only its 16-byte header, and a read of the
// latitude (24 bytes), which a refused request must leave queued.
TEST(IpcLinkExchange, RecordAndEndMarkerMustFitInTheUsableArea) {
    struct Case {
        const char* name;
        bool write;
        std::uint32_t size;
        bool accepted;
    };
    const Case cases[] = {
        {"LargestRead", false, 32452, true},
        {"ReadOneTooLarge", false, 32453, false},
        {"LargestWrite", true, 32456, true},
        {"WriteOneTooLarge", true, 32457, false},
        {"ReadThatWouldWrap", false, 0xFFFFFFF0u, false},
        {"WriteThatWouldWrap", true, 0xFFFFFFFFu, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenLink f;
        std::uint64_t nothing = untouched;
        std::int64_t latitude = 0;
        ASSERT_TRUE(f.link.Read(AircraftPosition::latitudeOffset, 0, &nothing));
        ASSERT_TRUE(f.link.Read(AircraftPosition::latitudeOffset, 8, &latitude));
        const int sends = f.server.sendAttempts;
        std::vector<std::byte> buffer(c.accepted ? c.size : 1, std::byte{0x11});
        const bool exchanged = c.write ? f.link.WriteAndProcess(0x4000, c.size, buffer.data())
                                       : f.link.ReadAndProcess(0, c.size, buffer.data());
        EXPECT_EQ(exchanged, c.accepted) << f.link.GetResultText();
        if (!c.accepted) {
            EXPECT_EQ(f.link.GetResult(), IpcResult::BufferFull);
            EXPECT_EQ(f.server.sendAttempts, sends);
            EXPECT_TRUE(f.link.Process()) << f.link.GetResultText();
        } else if (!c.write) {
            std::vector<std::byte> expected(c.size);
            f.server.simulator.Offsets().Read(0, expected);
            EXPECT_TRUE(buffer == expected);
        }
        EXPECT_EQ(f.server.sendAttempts - sends, 1);
        EXPECT_EQ(nothing, untouched);
        EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(latitude), 47.5);
    }
}

TEST(IpcLinkExchange, WritesAndReadsAreServedInOrderAndDestinationZeroCopiesNowhere) {
    OpenLink f;
    EXPECT_FALSE(f.link.Process());
    EXPECT_EQ(f.link.GetResult(), IpcResult::NoRequests);
    const std::int64_t south = AircraftPosition::RawFromLatitude(-33.75);
    std::int64_t before = 0;
    std::int64_t after = 0;
    ASSERT_TRUE(f.link.Read(AircraftPosition::latitudeOffset, 8, nullptr));
    ASSERT_TRUE(f.link.Read(AircraftPosition::latitudeOffset, 8, &before));
    ASSERT_TRUE(f.link.Write(AircraftPosition::latitudeOffset, 8, &south));
    ASSERT_TRUE(f.link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &after)) << f.link.GetResultText();
    EXPECT_FALSE(f.link.Process());
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(before), 47.5);
    EXPECT_EQ(after, south);
    const std::int64_t east = AircraftPosition::RawFromLongitude(151.25);
    ASSERT_TRUE(f.link.WriteAndProcess(AircraftPosition::longitudeOffset, 8, &east));
    EXPECT_DOUBLE_EQ(f.server.simulator.Longitude(), 151.25);
}

TEST(IpcLinkExchange, SilentServerCostsNineAttemptsInEighteenPointNineSeconds) {
    const std::pair<std::uint32_t, IpcResult> cases[] = {{0, IpcResult::TimedOut},
                                                         {1460, IpcResult::SendFailed}};
    for (const auto& [lastError, expected] : cases) {
        OpenLink f;
        const int sends = f.server.sendAttempts;
        const std::uint64_t start = f.clock.nowMs;
        f.server.faults.answer = FakeLinkServer::Answer::Never;
        f.server.faults.sendLastError = lastError;
        std::uint64_t latitude = untouched;
        EXPECT_FALSE(f.link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude));
        EXPECT_EQ(f.link.GetResult(), expected);
        EXPECT_EQ(f.server.sendAttempts - sends, 9);
        EXPECT_EQ(f.clock.nowMs - start, 18900u);
        EXPECT_EQ(latitude, untouched);

        // The link stays open and works once the server answers again, even on the last attempt.
        f.server.faults.answer = FakeLinkServer::Answer::Serve;
        f.server.faults.unansweredSends = 8;
        EXPECT_DOUBLE_EQ(ReadAircraftPosition(f.link).latitude, 47.5);
    }
}

// What a faulty or hostile server may do to the answered area. Queued: read 0x0560 (8) at 0,
// read 0x0568 (8) at 24, write 0x0C00 (4) at 48, read 0x0020 (4) without destination at 64,
// read 0x0020 (4) at 84; end marker at 104.
TEST(IpcLinkExchange, BadAnswerLeavesEveryDestinationUntouched) {
    struct Case {
        const char* name;
        void (*tamper)(RequestArea::Area);
    };
    const Case cases[] = {
        {"AnswerZero", nullptr},
        {"DestinationsSwapped", [](RequestArea::Area a) { Put(a, 12, 2), Put(a, 36, 1); }},
        {"DestinationDropped", [](RequestArea::Area a) { Put(a, 96, 0); }},
        {"DestinationAdded", [](RequestArea::Area a) { Put(a, 76, 3); }},
        {"ReadSizeHuge", [](RequestArea::Area a) { Put(a, 8, 0xFFFFFFF0); }},
        {"WriteSizeHuge", [](RequestArea::Area a) { Put(a, 56, 0xFFFFFF00); }},
        // Grown by exactly the write behind it, so that the walk still meets every later record.
        {"ReadSizeSwallowsTheNextRecord", [](RequestArea::Area a) { Put(a, 32, 8 + 16); }},
        {"UnknownKind", [](RequestArea::Area a) { Put(a, 48, 7); }},
        {"EndMarkerEarly", [](RequestArea::Area a) { Put(a, 48, 0); }},
        {"EndMarkerGone", [](RequestArea::Area a) { Put(a, 104, 1), Put(a, 112, 0x7000); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenLink f;
        f.server.faults.answer = c.tamper ? FakeLinkServer::Answer::Serve : FakeLinkServer::Answer::Zero;
        f.server.faults.tamper = c.tamper;
        std::uint64_t latitude = untouched;
        std::uint64_t longitude = untouched;
        std::uint32_t ground = 0x5A5A5A5A;
        const std::uint32_t value = 3;
        ASSERT_TRUE(f.link.Read(AircraftPosition::latitudeOffset, 8, &latitude));
        ASSERT_TRUE(f.link.Read(AircraftPosition::longitudeOffset, 8, &longitude));
        ASSERT_TRUE(f.link.Write(0x0C00, 4, &value));
        ASSERT_TRUE(f.link.Read(0x0020, 4, nullptr));
        ASSERT_TRUE(f.link.Read(0x0020, 4, &ground));
        EXPECT_FALSE(f.link.Process());
        EXPECT_EQ(f.link.GetResult(), IpcResult::BadData);
        EXPECT_FALSE(f.link.Process());  // the queue went with the exchange
        EXPECT_EQ(f.link.GetResult(), IpcResult::NoRequests);
        EXPECT_EQ(latitude, untouched);
        EXPECT_EQ(longitude, untouched);
        EXPECT_EQ(ground, 0x5A5A5A5Au);
    }
}

}  // namespace
