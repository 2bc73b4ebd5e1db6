// The link's behaviour on the in-process fake server, with time on a virtual clock.
#include "simlink/IpcLink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "simlink/AircraftPosition.h"
#include "simlink/ReadAircraftPosition.h"
#include "tests/unit/simlink/FakeFsuipc.h"

namespace {

using ::testing::ElementsAre;

constexpr std::uint64_t untouched = 0x5A5A5A5A5A5A5A5Aull;

// Names each parameterised case after its `name` field.
struct NameOfCase {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        return tested.param.name;
    }
};

class IpcLinkTest : public ::testing::Test {
protected:
    IpcLinkTest() { server.simulator.PutAircraft(47.5, 8.25); }

    bool Open(std::uint32_t requested = 0) { return link.Open(requested); }

    void ExpectNothingHeld() const {
        EXPECT_EQ(server.LiveWindows(), 0);
        EXPECT_EQ(server.LiveAtoms(), 0);
        EXPECT_EQ(server.LiveViews(), 0);
        EXPECT_EQ(server.LiveHandles(), 0);
    }

    VirtualClock clock;
    FakeFsuipc server{clock};
    IpcLink link{server, clock};
};

TEST_F(IpcLinkTest, OpenShakesHandsOnceAndWritesTheClientVersion) {
    ASSERT_TRUE(Open(7)) << link.GetResultText();
    EXPECT_EQ(link.GetResult(), IpcResult::Okay);
    EXPECT_EQ(link.GetServerVersion(), 0x19980005u);
    EXPECT_EQ(link.GetSimulatorVersion(), 7u);
    EXPECT_EQ(server.simulator.ClientVersion(), 1004);
    EXPECT_EQ(server.sendAttempts, 1);
    EXPECT_EQ(clock.nowMs, 100u);  // the pause after the pass that filled both values
}

TEST_F(IpcLinkTest, HandshakeThatNeverGetsVersionsTakesFivePassesAndWritesOnlyInTheFirst) {
    server.simulator.Offsets().SetWord(IpcLink::serverVersionOffset, 0);
    EXPECT_FALSE(Open());
    EXPECT_EQ(link.GetResult(), IpcResult::WrongServerVersion);
    EXPECT_THAT(server.writeRecordsPerExchange, ElementsAre(1, 0, 0, 0, 0));
    EXPECT_EQ(clock.nowMs, 500u);
    ExpectNothingHeld();
}

struct VersionCase {
    const char* name;
    std::uint32_t serverVersion;
    std::uint32_t simulatorWord;
    bool onlyFs98;
    std::uint32_t requested;
    IpcResult expected;
    std::uint32_t simulatorVersionAfter;
};

void PrintTo(const VersionCase& tested, std::ostream* out) { *out << tested.name; }

class IpcLinkVersionTest : public IpcLinkTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(IpcLinkVersionTest, ChecksVersionsAsTheServerStates) {
    const VersionCase& c = GetParam();
    server.simulator.Offsets().SetWord(IpcLink::serverVersionOffset, c.serverVersion);
    server.simulator.Offsets().SetWord(IpcLink::simulatorVersionOffset, c.simulatorWord);
    server.uipcWindow = !c.onlyFs98;
    server.fs98Window = c.onlyFs98;
    EXPECT_EQ(Open(c.requested), c.expected == IpcResult::Okay);
    EXPECT_EQ(link.GetResult(), c.expected) << link.GetResultText();
    EXPECT_EQ(link.GetServerVersion(), c.serverVersion);
    EXPECT_EQ(link.GetSimulatorVersion(), c.simulatorVersionAfter);
    if (c.expected != IpcResult::Okay) {
        ExpectNothingHeld();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, IpcLinkVersionTest,
    ::testing::Values(
        VersionCase{"AnySimulator", 0x19980005, 0xFADE0008, false, 0, IpcResult::Okay, 8},
        VersionCase{"RequestedFs2004", 0x19980005, 0xFADE0007, false, 7, IpcResult::Okay, 7},
        VersionCase{"OtherThanRequested", 0x19980005, 0xFADE0008, false, 7, IpcResult::WrongSimulatorVersion, 8},
        VersionCase{"OldServer", 0x19980004, 0xFADE0007, false, 0, IpcResult::WrongServerVersion, 0xFADE0007},
        VersionCase{"OldServerFoundAsFs98", 0x19980004, 0xFADE0007, true, 0, IpcResult::SimulatorNotRunning,
                    0xFADE0007},
        VersionCase{"NoSignature", 0x19980005, 0xFADF0007, false, 0, IpcResult::WrongServerVersion, 0xFADF0007},
        VersionCase{"NoSignatureFoundAsFs98", 0x19980005, 0x00000007, true, 0, IpcResult::SimulatorNotRunning, 7},
        VersionCase{"HighServerVersion", 0xFFFFFFFF, 0xFADE0009, true, 9, IpcResult::Okay, 9}),
    NameOfCase());

struct OpenFault {
    const char* name;
    void (*arrange)(FakeFsuipc&);
    IpcResult expected;
};

void PrintTo(const OpenFault& tested, std::ostream* out) { *out << tested.name; }

class IpcLinkOpenFaultTest : public IpcLinkTest, public ::testing::WithParamInterface<OpenFault> {};

TEST_P(IpcLinkOpenFaultTest, FailedOpenReleasesEverythingAndCanBeRetried) {
    GetParam().arrange(server);
    EXPECT_FALSE(Open());
    EXPECT_EQ(link.GetResult(), GetParam().expected);
    ExpectNothingHeld();
    std::uint32_t value = 0;
    EXPECT_FALSE(link.Read(0x0020, 4, &value));
    EXPECT_EQ(link.GetResult(), IpcResult::NotOpen);

    server.Recover();
    ASSERT_TRUE(Open()) << link.GetResultText();
    std::int64_t latitude = 0;
    ASSERT_TRUE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude));
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(latitude), 47.5);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, IpcLinkOpenFaultTest,
    ::testing::Values(
        OpenFault{"NoWindow", [](FakeFsuipc& s) { s.uipcWindow = false; }, IpcResult::NoServerWindow},
        OpenFault{"RegisterFails", [](FakeFsuipc& s) { s.registerFails = true; }, IpcResult::RegisterMessageFailed},
        OpenFault{"AtomFails", [](FakeFsuipc& s) { s.atomFails = true; }, IpcResult::AtomFailed},
        OpenFault{"MappingFails", [](FakeFsuipc& s) { s.mappingFails = true; }, IpcResult::MappingFailed},
        OpenFault{"ViewFails", [](FakeFsuipc& s) { s.viewFails = true; }, IpcResult::ViewFailed},
        OpenFault{"HandshakeUnanswered", [](FakeFsuipc& s) { s.answer = FakeFsuipc::Answer::Never; },
                  IpcResult::TimedOut},
        OpenFault{"HandshakeAnsweredZero", [](FakeFsuipc& s) { s.answer = FakeFsuipc::Answer::Zero; },
                  IpcResult::BadData}),
    NameOfCase());

TEST_F(IpcLinkTest, MappingThatExistsAlreadyFailsAndItsHandleIsClosed) {
    server.mappingExists = true;
    EXPECT_FALSE(Open());
    EXPECT_EQ(link.GetResult(), IpcResult::MappingFailed);
    ExpectNothingHeld();
}

TEST(IpcLinkNames, FirstOpensOfAProcessEndInOneThenTwo) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, whose counter starts at 0
    EXPECT_EXIT(
        {
            VirtualClock clock;
            FakeFsuipc server(clock);
            IpcLink first(server, clock, 0);
            IpcLink second(server, clock, 0);
            const bool named = server.atomTexts.size() == 2 && server.atomTexts[0] == "ZuvavEzo:IPC:1A2C:1" &&
                               server.atomTexts[1] == "ZuvavEzo:IPC:1A2C:2";
            std::exit(named && first.GetResult() == IpcResult::Okay && second.GetResult() == IpcResult::Okay ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(IpcLinkTest, EveryOpenTakesANewNameEvenAfterAFailure) {
    server.mappingFails = true;
    EXPECT_FALSE(Open());
    server.mappingFails = false;
    ASSERT_TRUE(Open());
    ASSERT_EQ(server.atomTexts.size(), 2u);
    EXPECT_NE(server.atomTexts[0], server.atomTexts[1]);
}

TEST_F(IpcLinkTest, OpenOnAnOpenLinkLeavesItWorkingWithItsQueue) {
    ASSERT_TRUE(Open());
    std::int64_t latitude = 0;
    ASSERT_TRUE(link.Read(AircraftPosition::latitudeOffset, 8, &latitude));
    EXPECT_FALSE(link.Open(0));
    EXPECT_EQ(link.GetResult(), IpcResult::AlreadyOpen);
    EXPECT_EQ(std::string(link.GetResultText()), "Attempt to Open when already Open");
    ASSERT_TRUE(link.Process()) << link.GetResultText();
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(latitude), 47.5);
}

TEST_F(IpcLinkTest, ClosedLinkRefusesEveryOperation) {
    std::uint32_t value = 7;
    EXPECT_FALSE(link.Read(0x0020, 4, &value));
    EXPECT_EQ(link.GetResult(), IpcResult::NotOpen);
    EXPECT_FALSE(link.Write(0x0020, 4, &value));
    EXPECT_FALSE(link.Process());
    EXPECT_FALSE(link.ReadAndProcess(0x0020, 4, &value));
    EXPECT_EQ(link.GetResult(), IpcResult::NotOpen);
    link.Close();
    link.Close();
    EXPECT_EQ(server.sendAttempts, 0);
    EXPECT_EQ(value, 7u);
}

TEST_F(IpcLinkTest, CloseAndDestructionReleaseEverything) {
    ASSERT_TRUE(Open());
    link.Close();
    ExpectNothingHeld();
    {
        IpcLink other(server, clock, 0);
        ASSERT_EQ(other.GetResult(), IpcResult::Okay);
        EXPECT_EQ(server.LiveViews(), 1);
    }
    ExpectNothingHeld();
}

TEST_F(IpcLinkTest, ProcessWithNothingQueuedSaysSoAndQueueEmptiesAfterAnyExchange) {
    ASSERT_TRUE(Open());
    const int handshake = server.sendAttempts;
    EXPECT_FALSE(link.Process());
    EXPECT_EQ(link.GetResult(), IpcResult::NoRequests);
    std::uint32_t ground = 0;
    ASSERT_TRUE(link.ReadAndProcess(0x0020, 4, &ground));
    EXPECT_FALSE(link.Process());
    EXPECT_EQ(link.GetResult(), IpcResult::NoRequests);
    server.answer = FakeFsuipc::Answer::Zero;
    ASSERT_FALSE(link.ReadAndProcess(0x0020, 4, &ground));
    EXPECT_FALSE(link.Process());
    EXPECT_EQ(link.GetResult(), IpcResult::NoRequests);
    EXPECT_EQ(server.sendAttempts, handshake + 2);
}

struct CapacityCase {
    const char* name;
    bool write;
    std::uint32_t size;
    bool accepted;
};

void PrintTo(const CapacityCase& tested, std::ostream* out) { *out << tested.name; }

class IpcLinkCapacityTest : public IpcLinkTest, public ::testing::WithParamInterface<CapacityCase> {};

TEST_P(IpcLinkCapacityTest, RecordAndEndMarkerMustFitInTheUsableArea) {
    const CapacityCase& c = GetParam();
    ASSERT_TRUE(Open());
    std::vector<std::byte> buffer(c.accepted ? c.size : 1, std::byte{0x11});
    const bool queued = c.write ? link.Write(0x4000, c.size, buffer.data()) : link.Read(0, c.size, buffer.data());
    EXPECT_EQ(queued, c.accepted);
    EXPECT_EQ(link.GetResult(), c.accepted ? IpcResult::Okay : IpcResult::BufferFull);
    if (!c.accepted) {
        EXPECT_FALSE(link.Process());
        EXPECT_EQ(link.GetResult(), IpcResult::NoRequests);
        return;
    }
    ASSERT_TRUE(link.Process()) << link.GetResultText();
    if (!c.write) {
        // The whole read came back from the offset space.
        std::vector<std::byte> expected(c.size);
        server.simulator.Offsets().Read(0, expected);
        EXPECT_TRUE(buffer == expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, IpcLinkCapacityTest,
                         ::testing::Values(CapacityCase{"LargestRead", false, 32492, true},
                                           CapacityCase{"ReadOneTooLarge", false, 32493, false},
                                           CapacityCase{"LargestWrite", true, 32496, true},
                                           CapacityCase{"WriteOneTooLarge", true, 32497, false},
                                           CapacityCase{"ReadThatWouldWrapAround", false, 0xFFFFFFF0u, false},
                                           CapacityCase{"WriteThatWouldWrapAround", true, 0xFFFFFFFFu, false}),
                         NameOfCase());

TEST_F(IpcLinkTest, FullAreaKeepsWhatWasQueuedBefore) {
    ASSERT_TRUE(Open());
    std::int64_t latitude = 0;
    ASSERT_TRUE(link.Read(AircraftPosition::latitudeOffset, 8, &latitude));
    std::vector<std::byte> big(32492 - 24);
    EXPECT_FALSE(link.Read(0, static_cast<std::uint32_t>(big.size()) + 1, big.data()));
    EXPECT_EQ(link.GetResult(), IpcResult::BufferFull);
    ASSERT_TRUE(link.Read(0, static_cast<std::uint32_t>(big.size()), big.data()));
    ASSERT_TRUE(link.Process()) << link.GetResultText();
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(latitude), 47.5);
}

TEST_F(IpcLinkTest, ReadOfSizeZeroTakesSixteenBytesAndCopiesNothing) {
    ASSERT_TRUE(Open());
    std::uint64_t nothing = untouched;
    ASSERT_TRUE(link.Read(AircraftPosition::latitudeOffset, 0, &nothing));
    std::vector<std::byte> rest(32492 - 16);
    EXPECT_FALSE(link.Read(0, static_cast<std::uint32_t>(rest.size()) + 1, rest.data()));
    ASSERT_TRUE(link.Read(0, static_cast<std::uint32_t>(rest.size()), rest.data()));
    ASSERT_TRUE(link.Process()) << link.GetResultText();
    EXPECT_EQ(nothing, untouched);
}

TEST_F(IpcLinkTest, ReadWithoutDestinationIsServedButCopiedNowhere) {
    ASSERT_TRUE(Open());
    std::vector<std::byte> servedArea;
    server.tamper = [&](RequestArea::Area area) { servedArea.assign(area.begin(), area.begin() + 64); };
    std::int64_t longitude = 0;
    ASSERT_TRUE(link.Read(AircraftPosition::latitudeOffset, 8, nullptr));
    ASSERT_TRUE(link.Read(AircraftPosition::longitudeOffset, 8, &longitude));
    ASSERT_TRUE(link.Process()) << link.GetResultText();
    EXPECT_DOUBLE_EQ(AircraftPosition::LongitudeFromRaw(longitude), 8.25);
    ASSERT_EQ(servedArea.size(), 64u);
    EXPECT_EQ(RequestArea::LoadWord(servedArea.data() + 12), 0u);  // destination 0 travelled as such
    std::int64_t servedLatitude = 0;
    std::memcpy(&servedLatitude, servedArea.data() + 16, 8);
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(servedLatitude), 47.5);
}

TEST_F(IpcLinkTest, WritesReachTheServerAndReadsSeeThemInOrder) {
    ASSERT_TRUE(Open());
    const std::int64_t north = AircraftPosition::RawFromLatitude(-33.75);
    std::int64_t before = 0;
    std::int64_t after = 0;
    ASSERT_TRUE(link.Read(AircraftPosition::latitudeOffset, 8, &before));
    ASSERT_TRUE(link.Write(AircraftPosition::latitudeOffset, 8, &north));
    ASSERT_TRUE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &after));
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(before), 47.5);
    EXPECT_EQ(after, north);
    const std::int64_t east = AircraftPosition::RawFromLongitude(151.25);
    ASSERT_TRUE(link.WriteAndProcess(AircraftPosition::longitudeOffset, 8, &east));
    EXPECT_DOUBLE_EQ(server.simulator.Longitude(), 151.25);
}

TEST_F(IpcLinkTest, FailedQueueingSkipsTheExchange) {
    ASSERT_TRUE(Open());
    const int before = server.sendAttempts;
    std::vector<std::byte> big(32493);
    EXPECT_FALSE(link.ReadAndProcess(0, 32493, big.data()));
    EXPECT_FALSE(link.WriteAndProcess(0x4000, 32497, big.data()));
    EXPECT_EQ(link.GetResult(), IpcResult::BufferFull);
    EXPECT_EQ(server.sendAttempts, before);
}

struct SilentCase {
    const char* name;
    std::uint32_t lastError;
    IpcResult expected;
};

void PrintTo(const SilentCase& tested, std::ostream* out) { *out << tested.name; }

class IpcLinkSilentServerTest : public IpcLinkTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(IpcLinkSilentServerTest, NineAttemptsInEighteenPointNineSeconds) {
    ASSERT_TRUE(Open());
    const int before = server.sendAttempts;
    const std::uint64_t start = clock.nowMs;
    server.answer = FakeFsuipc::Answer::Never;
    server.sendLastError = GetParam().lastError;
    std::uint64_t latitude = untouched;
    EXPECT_FALSE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude));
    EXPECT_EQ(link.GetResult(), GetParam().expected);
    EXPECT_EQ(server.sendAttempts - before, 9);
    EXPECT_EQ(clock.nowMs - start, 18900u);
    EXPECT_EQ(latitude, untouched);

    // The link stays open with an empty queue and works once the server answers again.
    EXPECT_FALSE(link.Process());
    EXPECT_EQ(link.GetResult(), IpcResult::NoRequests);
    server.answer = FakeFsuipc::Answer::Serve;
    ASSERT_TRUE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude));
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(static_cast<std::int64_t>(latitude)), 47.5);
}

INSTANTIATE_TEST_SUITE_P(LastError, IpcLinkSilentServerTest,
                         ::testing::Values(SilentCase{"None", 0, IpcResult::TimedOut},
                                           SilentCase{"Reported", 1460, IpcResult::SendFailed}),
                         NameOfCase());

TEST_F(IpcLinkTest, ServerThatAnswersOnTheNinthAttemptStillServes) {
    ASSERT_TRUE(Open());
    const std::uint64_t start = clock.nowMs;
    server.unansweredSends = 8;
    std::int64_t latitude = 0;
    ASSERT_TRUE(link.ReadAndProcess(AircraftPosition::latitudeOffset, 8, &latitude)) << link.GetResultText();
    EXPECT_EQ(clock.nowMs - start, 8u * 2100u);
    EXPECT_DOUBLE_EQ(AircraftPosition::LatitudeFromRaw(latitude), 47.5);
}

// What a faulty or hostile server may do to the answered area. The link must report BadData and
// leave every destination as it was.
struct Tampering {
    const char* name;
    void (*apply)(RequestArea::Area);
};

void PrintTo(const Tampering& tested, std::ostream* out) { *out << tested.name; }

class IpcLinkBadAnswerTest : public IpcLinkTest, public ::testing::WithParamInterface<Tampering> {};

// Queued below: read 0x0560 (8) at 0, read 0x0568 (8) at 24, write 0x0C00 (4) at 48,
// read 0x0020 (4) without destination at 64, read 0x0020 (4) at 84; end marker at 104.
TEST_P(IpcLinkBadAnswerTest, LeavesEveryDestinationUntouched) {
    ASSERT_TRUE(Open());
    if (GetParam().apply == nullptr) {
        server.answer = FakeFsuipc::Answer::Zero;
    } else {
        server.tamper = GetParam().apply;
    }
    std::uint64_t latitude = untouched;
    std::uint64_t longitude = untouched;
    std::uint32_t ground = 0x5A5A5A5A;
    const std::uint32_t value = 3;
    ASSERT_TRUE(link.Read(AircraftPosition::latitudeOffset, 8, &latitude));
    ASSERT_TRUE(link.Read(AircraftPosition::longitudeOffset, 8, &longitude));
    ASSERT_TRUE(link.Write(0x0C00, 4, &value));
    ASSERT_TRUE(link.Read(0x0020, 4, nullptr));
    ASSERT_TRUE(link.Read(0x0020, 4, &ground));
    EXPECT_FALSE(link.Process());
    EXPECT_EQ(link.GetResult(), IpcResult::BadData);
    EXPECT_EQ(latitude, untouched);
    EXPECT_EQ(longitude, untouched);
    EXPECT_EQ(ground, 0x5A5A5A5Au);
}

void Put(RequestArea::Area area, std::uint32_t at, std::uint32_t word) { RequestArea::StoreWord(area.data() + at, word); }

INSTANTIATE_TEST_SUITE_P(
    Tamperings, IpcLinkBadAnswerTest,
    ::testing::Values(
        Tampering{"AnswerZero", nullptr},
        Tampering{"DestinationsSwapped", [](RequestArea::Area a) { Put(a, 12, 2), Put(a, 36, 1); }},
        Tampering{"DestinationBeyondTable", [](RequestArea::Area a) { Put(a, 36, 0xFFFFFFFF); }},
        Tampering{"DestinationRepeated", [](RequestArea::Area a) { Put(a, 36, 1); }},
        Tampering{"DestinationDropped", [](RequestArea::Area a) { Put(a, 96, 0); }},
        Tampering{"DestinationAdded", [](RequestArea::Area a) { Put(a, 76, 3); }},
        Tampering{"ReadSizeGrown", [](RequestArea::Area a) { Put(a, 8, 16); }},
        Tampering{"ReadSizeHuge", [](RequestArea::Area a) { Put(a, 8, 0xFFFFFFF0); }},
        Tampering{"ReadSizeShrunk", [](RequestArea::Area a) { Put(a, 32, 4); }},
        // Grown by exactly the write behind it, so that the walk still meets every later record.
        Tampering{"ReadSizeSwallowsTheNextRecord", [](RequestArea::Area a) { Put(a, 32, 8 + 16); }},
        Tampering{"WriteSizeChanged", [](RequestArea::Area a) { Put(a, 56, 8); }},
        Tampering{"UnknownKind", [](RequestArea::Area a) { Put(a, 48, 7); }},
        Tampering{"EndMarkerEarly", [](RequestArea::Area a) { Put(a, 48, 0); }},
        Tampering{"EndMarkerGone", [](RequestArea::Area a) { Put(a, 104, 1), Put(a, 112, 0x7000); }},
        Tampering{"AreaFilledWithReads", [](RequestArea::Area a) {
                      for (std::uint32_t at = 0; at + 4 <= RequestArea::areaSize; at += 4) {
                          Put(a, at, 1);
                      }
                  }}),
    NameOfCase());

TEST_F(IpcLinkTest, ServerMayChangeDataButNotHeaders) {
    ASSERT_TRUE(Open());
    // Reads at 0 and 20, the write at 40 with its data at 52.
    server.tamper = [](RequestArea::Area a) { Put(a, 16, 0x01020304), Put(a, 52, 0); };
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    ASSERT_TRUE(link.Read(0x0020, 4, &first));
    ASSERT_TRUE(link.Read(0x0020, 4, &second));
    ASSERT_TRUE(link.Write(0x0C00, 4, &first));
    ASSERT_TRUE(link.Process()) << link.GetResultText();
    EXPECT_EQ(first, 0x01020304u);
}

TEST_F(IpcLinkTest, PlantingSequenceReadsThePosition) {
    server.simulator.PutAircraft(-12.345678, -77.0125);
    {
        IpcLink planting(server, clock, 0);
        const AircraftPositionReading reading = ReadAircraftPosition(planting);
        ASSERT_TRUE(reading.ok);
        EXPECT_NEAR(reading.latitude, -12.345678, 1e-12);
        EXPECT_NEAR(reading.longitude, -77.0125, 1e-12);
    }
    server.uipcWindow = false;
    IpcLink planting(server, clock, 0);
    EXPECT_EQ(ReadAircraftPosition(planting).result, IpcResult::NotOpen);
    ExpectNothingHeld();
}

TEST(IpcResultText, GivesTheFixedTexts) {
    const std::vector<std::pair<std::uint32_t, const char*>> texts = {
        {0, "Okay"},
        {1, "Attempt to Open when already Open"},
        {2, "Cannot link to FSUIPC or WideClient"},
        {3, "Failed to Register common message with Windows"},
        {4, "Failed to create Atom for mapping filename"},
        {5, "Failed to create a file mapping object"},
        {6, "Failed to open a view to the file map"},
        {7, "Incorrect version of FSUIPC, or not FSUIPC"},
        {8, "Flight Simulator is not version requested"},
        {9, "Call cannot execute: Link not Open"},
        {10, "Call cannot execute: No requests accumulated"},
        {11, "IPC timed out all retries"},
        {12, "IPC sendmessage failed all retries"},
        {13, "IPC request contains bad data"},
        {14, "Maybe running on WideClient, but FS not running on Server, or wrong FSUIPC"},
        {15, "Read or Write request cannot be added, memory for Process is full"},
        {16, "Unknown error"},
        {0xFFFFFFFF, "Unknown error"},
    };
    for (const auto& [code, text] : texts) {
        EXPECT_STREQ(IpcResultText(static_cast<IpcResult>(code)), text) << code;
    }
}

}  // namespace
