#include "device/bridge_backend.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <sstream>

#include "common/json.h"
#include "device/driver_comm.h"
#include "device/fake_hid.h"
#include "device/recording_backend.h"
#include "support/bridge_peer_process.h"
#include "support/scripted_peer.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

using namespace std::chrono_literals;
using test::ScriptedPeer;

// What the bridge peer serves by default: the first model of the shipped catalogue, wired.
constexpr int kVid = 0x3554;
constexpr int kPid = 0xF5D5;
constexpr int kType = 3;

Frame Request(std::uint8_t command) {
    Frame frame{};
    frame[1] = 0x55;
    frame[2] = 0xAA;
    frame[3] = command;
    return frame;
}

std::unique_ptr<DriverComm> CommOver(std::unique_ptr<HidBackend> backend) {
    auto comm = std::make_unique<DriverComm>(std::move(backend));
    comm->SetSleeper([](std::chrono::milliseconds) {});
    comm->AddDevice(kVid, kPid, "", kType, ConnectionMode::Wired);
    comm->EnumerateDevice();
    comm->SetCurrentDeviceType(kType);
    return comm;
}

TEST(BridgePeer, ServesAMouseThatAnswersAndKeepsWrites) {
    test::BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    auto comm = CommOver(std::make_unique<BridgeBackend>(peer.socket_path()));
    ASSERT_EQ(comm->GetConnectionMode(), ConnectionMode::Wired);
    EXPECT_EQ(comm->SelectDevice()->output_report_length, 65);

    Frame status = Request(0x00);
    ASSERT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Answered);
    EXPECT_EQ(status[3], 0x1C);
    EXPECT_EQ(status[4], 0x80);

    Frame config = Request(0x01);
    ASSERT_EQ(comm->SetDeviceData(config, true), ExchangeResult::Answered);
    EXPECT_NE(config[23], 0);

    // A config write (answered by nothing) then a read shows the new block.
    Frame write{};
    write[1] = 0x55;
    write[2] = 0xAA;
    write[3] = 0x02;
    std::copy(config.begin() + 3, config.begin() + 63, write.begin() + 4);
    write[4] = 0x21;
    write[1 + 23] = 0x03;
    EXPECT_EQ(comm->SetDeviceData(write, false), ExchangeResult::Sent);
    Frame again = Request(0x01);
    ASSERT_EQ(comm->SetDeviceData(again, true), ExchangeResult::Answered);
    EXPECT_EQ(again[23], 0x03);
}

TEST(BridgePeer, WatchSeesUnplugAndPlugAndDevicesFailWhileGone) {
    test::BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    BridgeBackend backend(peer.socket_path());
    ASSERT_EQ(backend.Enumerate().size(), 1u);
    std::unique_ptr<HidDevice> device = backend.Open("bridge:mouse0");
    ASSERT_TRUE(device);
    EXPECT_FALSE(backend.Open("no such path"));

    std::unique_ptr<BridgeWatch> watch = BridgeWatch::Start(peer.socket_path());
    ASSERT_TRUE(watch);
    std::vector<HotplugEvent> events;
    EXPECT_TRUE(watch->Poll(events));
    EXPECT_TRUE(events.empty());

    peer.Signal(SIGUSR1);
    ASSERT_TRUE(watch->Poll(events, 10s));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, HotplugEvent::Kind::Removal);
    EXPECT_EQ(events[0].path, "bridge:mouse0");
    const Frame frame = Request(0x00);
    EXPECT_EQ(device->Write(frame), -1);
    std::uint8_t buffer[65];
    EXPECT_EQ(device->Read(buffer, 10), -1);
    EXPECT_TRUE(backend.Enumerate().empty());

    peer.Signal(SIGUSR1);
    events.clear();
    ASSERT_TRUE(watch->Poll(events, 10s));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, HotplugEvent::Kind::Arrival);
    EXPECT_EQ(backend.Enumerate().size(), 1u);
}

TEST(BridgePeer, APeerThatDiesLooksLikeAnUnpluggedDevice) {
    test::BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    BridgeBackend backend(peer.socket_path());
    backend.Enumerate();
    std::unique_ptr<HidDevice> device = backend.Open("bridge:mouse0");
    ASSERT_TRUE(device);
    std::unique_ptr<BridgeWatch> watch = BridgeWatch::Start(peer.socket_path());
    ASSERT_TRUE(watch);

    peer.Kill();
    std::uint8_t buffer[65] = {};
    EXPECT_EQ(device->Read(buffer, 100), -1);
    EXPECT_EQ(device->Write(buffer), -1);
    EXPECT_TRUE(backend.Enumerate().empty());
    EXPECT_FALSE(backend.Open("bridge:mouse0"));
    std::vector<HotplugEvent> events;
    EXPECT_FALSE(watch->Poll(events, 10s));
}

TEST(BridgeBackendTest, NothingListening) {
    test::TempDir dir;
    BridgeBackend backend((dir / "none.sock").string());
    EXPECT_EQ(backend.LastFailure(), "");
    EXPECT_TRUE(backend.Enumerate().empty());
    EXPECT_EQ(backend.LastFailure(), "cannot connect: No such file or directory");
    EXPECT_FALSE(backend.Open("x"));
    EXPECT_FALSE(BridgeWatch::Start((dir / "none.sock").string()));
    BridgeBackend too_long(std::string(200, 'x'));
    EXPECT_TRUE(too_long.Enumerate().empty());
    EXPECT_EQ(too_long.LastFailure(), "cannot connect: File name too long");

    // Wrappers pass the failure on.
    RecordingBackend recorder(std::make_unique<BridgeBackend>((dir / "none.sock").string()),
                              (dir / "capture.jsonl").string());
    recorder.Enumerate();
    EXPECT_EQ(recorder.LastFailure(), "cannot connect: No such file or directory");
}

// The standard answers up to the open of one interface; `rest` answers everything else.
ScriptedPeer::Script Mouse(std::function<std::optional<std::string>(const std::string& op)> rest) {
    return [rest](const Json& request) -> std::optional<std::string> {
        const std::string op = StringMember(request, "op").value_or("");
        if (op == "hello") {
            return R"({"version":1})";
        }
        if (op == "enumerate") {
            return R"({"interfaces":[{"path":"m","vendor_id":13652,"product_id":62933,)"
                   R"("release_number":1,"usage_page":192,"usage":1,"output_report_length":65},)"
                   R"({"path":"bad","vendor_id":-1}]})";
        }
        if (op == "open") {
            return R"({"handle":7})";
        }
        return rest(op);
    };
}

TEST(BridgeBackendTest, AnswersAreCheckedAndGarbageDropsTheConnection) {
    std::atomic<int> reads{0};
    ScriptedPeer peer(Mouse([&](const std::string& op) -> std::optional<std::string> {
        if (op == "write") {
            return R"({"result":9999})";  // more than was sent
        }
        if (op == "read") {
            switch (reads++) {
                case 0:
                    return R"({"data":"0055AAff"})";
                case 1:
                    return R"({"data":"0g"})";
                case 2:
                    return R"({"data":"000102030405060708090a0b0c0d0e0f10"})";
                case 3:
                    return R"({"result":-1})";
                default:
                    return "this is not json";
            }
        }
        return R"({"result":0})";
    }));
    BridgeBackend backend(peer.path(), 200ms);
    const std::vector<HidInterfaceInfo> interfaces = backend.Enumerate();
    ASSERT_EQ(interfaces.size(), 1u);  // the malformed entry is left out
    std::unique_ptr<HidDevice> device = backend.Open("m");
    ASSERT_TRUE(device);
    EXPECT_EQ(device->OutputReportLength(), 65);

    std::uint8_t frame[65] = {};
    EXPECT_EQ(device->Write(frame), -1);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(device->Read(buffer, 10), 4);
    EXPECT_EQ(buffer[3], 0xFF);
    EXPECT_EQ(device->Read(buffer, 10), -1);
    EXPECT_EQ(device->Read(buffer, 10), 8);  // cut to the buffer
    EXPECT_EQ(buffer[7], 0x07);
    EXPECT_EQ(device->Read(buffer, 10), -1);
    EXPECT_EQ(backend.LastFailure(), "");     // answers of the wrong content keep the connection
    EXPECT_EQ(device->Read(buffer, 10), -1);  // garbage: the connection is gone for good
    EXPECT_EQ(backend.LastFailure(), "the peer answered something other than a JSON object");
    EXPECT_EQ(device->Read(buffer, 10), -1);
    EXPECT_EQ(reads.load(), 5);

    // A rescan connects afresh.
    EXPECT_EQ(backend.Enumerate().size(), 1u);
    EXPECT_EQ(peer.connections(), 2);
    EXPECT_EQ(backend.LastFailure(), "");
}

TEST(BridgeBackendTest, AStalledPeerCostsOneBoundedWait) {
    std::atomic<int> reads{0};
    ScriptedPeer peer(Mouse([&](const std::string& op) -> std::optional<std::string> {
        if (op == "read") {
            ++reads;
            return std::nullopt;
        }
        return R"({"result":65})";
    }));
    auto comm = CommOver(std::make_unique<BridgeBackend>(peer.path(), 50ms));
    ASSERT_EQ(comm->GetConnectionMode(), ConnectionMode::Wired);
    Frame frame = Request(0x00);
    // The drain read stalls and drops the connection, so the write fails without waiting.
    EXPECT_EQ(comm->SetDeviceData(frame, true), ExchangeResult::WriteFailed);
    EXPECT_EQ(reads.load(), 1);

    BridgeBackend backend(peer.path(), 50ms);
    ASSERT_EQ(backend.Enumerate().size(), 1u);
    std::unique_ptr<HidDevice> device = backend.Open("m");
    ASSERT_TRUE(device);
    std::uint8_t buffer[65] = {};
    EXPECT_EQ(device->Read(buffer, 20), -1);
    EXPECT_EQ(backend.LastFailure(), "the peer did not answer within 70 ms");
}

TEST(BridgeBackendTest, AnOversizedLineOrWrongVersionIsRefused) {
    ScriptedPeer huge([](const Json& request) -> std::optional<std::string> {
        if (StringMember(request, "op") == "hello") {
            return std::string(3 << 20, 'x');
        }
        return R"({"interfaces":[]})";
    });
    EXPECT_TRUE(BridgeBackend(huge.path(), 200ms).Enumerate().empty());

    BridgeBackend to_huge(huge.path(), 200ms);
    EXPECT_TRUE(to_huge.Enumerate().empty());
    EXPECT_EQ(to_huge.LastFailure(), "the peer sent a line longer than 1048576 bytes");

    ScriptedPeer old([](const Json&) -> std::optional<std::string> {
        return R"({"version":2,"interfaces":[{"path":"m","vendor_id":1,"product_id":1,)"
               R"("release_number":1,"usage_page":192,"usage":1,"output_report_length":65}]})";
    });
    BridgeBackend to_old(old.path(), 200ms);
    EXPECT_TRUE(to_old.Enumerate().empty());
    EXPECT_EQ(to_old.LastFailure(), "the peer speaks bridge protocol version 2, not 1");

    ScriptedPeer silent([](const Json&) -> std::optional<std::string> { return "{}"; });
    BridgeBackend to_silent(silent.path(), 200ms);
    EXPECT_TRUE(to_silent.Enumerate().empty());
    EXPECT_EQ(to_silent.LastFailure(), "the peer did not name its bridge protocol version");
}

TEST(BridgeBackendTest, APeerThatHangsUpIsNamedAsSuch) {
    ScriptedPeer peer(Mouse([](const std::string&) { return ScriptedPeer::kHangUp; }));
    BridgeBackend backend(peer.path(), 200ms);
    ASSERT_EQ(backend.Enumerate().size(), 1u);
    std::unique_ptr<HidDevice> device = backend.Open("m");
    ASSERT_TRUE(device);
    std::uint8_t frame[65] = {};
    EXPECT_EQ(device->Write(frame), -1);
    EXPECT_EQ(backend.LastFailure(), "the peer closed the connection");
}

TEST(Recording, CaptureIsBridgeLinesAndReplaysThroughThePeer) {
    test::TempDir dir;
    const std::string capture = (dir / "capture.jsonl").string();
    Frame status{};
    Frame config{};
    {
        auto fake = std::make_unique<test::FakeHidBackend>();
        test::AnswerReadCommands(*fake->Add(test::Interface("/dev/hidraw9", kVid, kPid)), false);
        auto recorder = std::make_unique<RecordingBackend>(std::move(fake), capture);
        ASSERT_TRUE(recorder->recording());
        auto comm = CommOver(std::move(recorder));
        status = Request(0x00);
        ASSERT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Answered);
        config = Request(0x01);
        ASSERT_EQ(comm->SetDeviceData(config, true), ExchangeResult::Answered);
    }

    std::vector<std::string> ops;
    std::int64_t last_t = 0;
    std::istringstream lines(test::ReadFile(capture));
    for (std::string line; std::getline(lines, line);) {
        const std::optional<Json> entry = DecodeJson(line);
        ASSERT_TRUE(entry) << line;
        const std::optional<std::int64_t> t = IntMember(*entry, "t");
        ASSERT_TRUE(t);
        EXPECT_GE(*t, last_t);
        last_t = *t;
        const Json* request = FindMember(*entry, "request");
        ASSERT_NE(request, nullptr);
        ASSERT_TRUE(FindMember(*entry, "answer") && FindMember(*entry, "answer")->is_object());
        ops.push_back(StringMember(*request, "op").value_or("?"));
    }
    EXPECT_EQ(ops, (std::vector<std::string>{"hello", "enumerate", "open", "read", "write", "read",
                                             "read", "write", "read", "close"}));

    test::BridgePeerProcess peer({"--replay", capture});
    ASSERT_TRUE(peer.ready());
    auto comm = CommOver(std::make_unique<BridgeBackend>(peer.socket_path()));
    Frame replayed_status = Request(0x00);
    ASSERT_EQ(comm->SetDeviceData(replayed_status, true), ExchangeResult::Answered);
    EXPECT_EQ(replayed_status, status);
    Frame replayed_config = Request(0x01);
    ASSERT_EQ(comm->SetDeviceData(replayed_config, true), ExchangeResult::Answered);
    EXPECT_EQ(replayed_config, config);
}

}  // namespace
}  // namespace veltra
