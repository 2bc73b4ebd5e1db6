// Both ends of a relay connection check every frame after the first Open: frames changed, sent again,
// out of order, reflected or taken from another connection close the connection, at the relay and at
// the link, and the link says why once; peers of another version are refused naming both versions.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "simlink/ReadAircraftPosition.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/unit/relay/FrameProxy.h"
#include "tests/unit/relay/RawRelayClient.h"
#include "tests/unit/relay/RunningRelay.h"
#include "tests/unit/simlink/SimulatorHarness.h"
#include "tools/simulator/ScratchRuntimeFolder.h"

namespace {

const std::string secret = "correct horse battery staple";

RelaySettings Guarded() {
    RelaySettings settings;
    settings.secret = secret;
    return settings;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class RelayAuthentication : public ::testing::Test {
protected:
    void SetUp() override {
        simulator = StartSimulator();
        ASSERT_TRUE(simulator->IsReady()) << simulator->StartOutput();
        secrets.Write("secret", secret + "\n");
        setenv(relaySecretVariable, secrets.Path("secret").c_str(), 1);
    }
    void TearDown() override { unsetenv(relaySecretVariable); }

    // A raw client that proved the secret and opened the stand-in's window.
    static std::unique_ptr<RawRelayClient> Opened(const RunningRelay& relay) {
        auto client = std::make_unique<RawRelayClient>(relay.Port());
        const auto opened = client->Open(secret, "UIPCMAIN");
        EXPECT_TRUE(opened && opened->status == RelayProtocol::OpenStatus::Found);
        return client;
    }

    ScratchRuntimeFolder folder;
    TemporaryFolder secrets;
    std::unique_ptr<SimulatorProcess> simulator;
};

TEST_F(RelayAuthentication, TheRelayClosesAConnectionOnAnyFrameNotSealedForItsPlaceInIt) {
    RunningRelay relay(Guarded());
    const auto area = PositionRequestArea();
    const auto exchange = [&area](std::uint32_t number) {
        return RelayProtocol::EncodeExchange(number, area);
    };
    const struct Case {
        const char* what;
        std::function<std::vector<std::byte>(RawRelayClient& client, RawRelayClient& other)> frames;
    } cases[] = {
        {"changed",
         [&](RawRelayClient& client, RawRelayClient&) {
             auto frame = client.Sealed(exchange(2));
             frame[frame.size() - 40] ^= std::byte{1};
             return frame;
         }},
        {"sent again",
         [&](RawRelayClient& client, RawRelayClient&) {
             const auto frame = client.Sealed(exchange(2));
             client.SendBytes(frame);
             client.ReceiveBody(2000);
             return frame;
         }},
        {"out of order",
         [&](RawRelayClient& client, RawRelayClient&) {
             const auto first = client.Sealed(exchange(2));
             auto second = client.Sealed(exchange(3));
             second.insert(second.end(), first.begin(), first.end());
             return second;
         }},
        {"from another connection",
         [&](RawRelayClient&, RawRelayClient& other) { return other.Sealed(exchange(2)); }},
        {"the relay's own answer sent back",
         [&](RawRelayClient& client, RawRelayClient&) {
             client.SendBytes(client.Sealed(exchange(2)));
             auto body = client.ReceiveBody(2000).value_or(std::vector<std::byte>(8));
             std::vector<std::byte> frame(4);
             RequestArea::StoreWord(frame.data(), static_cast<std::uint32_t>(body.size()));
             frame.insert(frame.end(), body.begin(), body.end());
             return frame;
         }},
        {"without a seal", [&](RawRelayClient&, RawRelayClient&) { return exchange(2); }},
    };
    const auto bystander = Opened(relay);
    for (const Case& c : cases) {
        const auto client = Opened(relay);
        const auto other = Opened(relay);
        ASSERT_TRUE(client->Exchange(area)) << c.what << ": a sealed exchange is answered";
        ASSERT_TRUE(client->SendBytes(c.frames(*client, *other))) << c.what;
        EXPECT_TRUE(client->ClosedWithin(2000)) << c.what;
        EXPECT_TRUE(bystander->Exchange(area)) << c.what << ": the other connections go on";
    }
}

// An exchange before any Open, and an Open of version 1, close the connection; the version 1 Open
// first gets status 2 with a reason that names both versions.
TEST_F(RelayAuthentication, TheRelayRefusesAVersionOneClientAndExchangesBeforeOpen) {
    RunningRelay relay(Guarded());
    RawRelayClient early(relay.Port());
    ASSERT_TRUE(early.Greeted());
    early.SendBytes(RelayProtocol::EncodeExchange(1, PositionRequestArea()));
    EXPECT_TRUE(early.ClosedWithin(2000));

    RawRelayClient old(relay.Port());
    ASSERT_TRUE(old.Greeted());
    std::vector<std::byte> versionOne = RelayProtocol::EncodeOpen({1, {}, {}, "UIPCMAIN"});
    versionOne.erase(versionOne.begin() + 7, versionOne.begin() + 7 + 32);  // version 1 had no client nonce
    RequestArea::StoreWord(versionOne.data(), static_cast<std::uint32_t>(versionOne.size() - 4));
    ASSERT_TRUE(old.SendBytes(versionOne));
    const auto body = old.ReceiveBody(2000);
    RelayProtocol::Opened opened;
    ASSERT_TRUE(body && RelayProtocol::DecodeOpened(*body, opened));
    EXPECT_EQ(opened.status, RelayProtocol::OpenStatus::WrongVersion);
    EXPECT_NE(opened.reason.find("version 2"), std::string::npos) << opened.reason;
    EXPECT_NE(opened.reason.find("version 1"), std::string::npos) << opened.reason;
    EXPECT_TRUE(old.ClosedWithin(2000));
}

// The relay's frames changed on the way, by a machine that does not know the secret: the link fails
// (no window found when the Open's answer fails, a failed send when an exchange's does) and says
// why once on standard error, whatever its attempts.
TEST_F(RelayAuthentication, TheLinkRefusesFramesChangedOnTheWayAndARelayThatCannotProveItself) {
    RunningRelay relay(Guarded());
    std::map<std::pair<int, int>, std::vector<std::byte>> seen;  // (connection, frame): bytes
    const struct Case {
        const char* what;
        int connection;  // the connection whose frame is changed; the ones before pass untouched
        int frame;       // 0 Hello, 1 Opened, 2 the handshake's answer, 3 the position's answer
        std::function<void(std::vector<std::byte>&)> change;
        IpcResult result;  // of the link's Open, or of its position read when the Open is not touched
        const char* said;
    } cases[] = {
        {"a version 1 relay", 0, 0, [](auto& f) { f[9] = std::byte{1}; }, IpcResult::NoServerWindow,
         "speaks relay protocol version 1, this Grovewright version 2"},
        {"a version 3 relay whose greeting is laid out otherwise", 0, 0,
         [](auto& f) {
             f[9] = std::byte{3};
             f.push_back(std::byte{0});
             RequestArea::StoreWord(f.data(), static_cast<std::uint32_t>(f.size() - 4));
         },
         IpcResult::NoServerWindow, "speaks relay protocol version 3, this Grovewright version 2"},
        {"a relay that cannot prove itself", 0, 1, [](auto& f) { f[f.size() - 33] ^= std::byte{0x80}; },
         IpcResult::NoServerWindow, "could not prove that it knows the secret"},
        {"an answer changed", 0, 2, [](auto& f) { f[30] ^= std::byte{4}; }, IpcResult::SendFailed,
         "failed its check"},
        {"an answer sent again", 0, 3,
         [&](auto& f) {
             f = seen[{0, 2}];
         },
         IpcResult::SendFailed, "failed its check"},
        {"an answer from another connection", 1, 2,
         [&](auto& f) {
             f = seen[{0, 2}];
         },
         IpcResult::SendFailed, "failed its check"},
    };
    for (const Case& c : cases) {
        seen.clear();
        FrameProxy proxy(relay.Port(), [&](int connection, int frame, const std::vector<std::byte>& bytes) {
            auto passed = bytes;
            if (connection == c.connection && frame == c.frame) {
                c.change(passed);
            }
            seen[{connection, frame}] = bytes;
            return passed;
        });
        for (int connection = 0; connection < c.connection; ++connection) {
            ASSERT_EQ(RelayIpcLinkMaker("127.0.0.1", proxy.Port())(0)->GetResult(), IpcResult::Okay)
                << c.what;
        }
        testing::internal::CaptureStderr();
        const auto link = RelayIpcLinkMaker("127.0.0.1", proxy.Port())(0);
        IpcResult result = link->GetResult();
        if (result == IpcResult::Okay) {
            result = ReadAircraftPosition(*link).result;
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(Count(said, "grovewright: "), 1u) << c.what << ": " << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.what << ": " << said;
    }
}

}  // namespace
