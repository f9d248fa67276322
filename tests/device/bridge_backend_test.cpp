#include "device/bridge_backend.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "common/json.h"
#include "device/default_backend.h"
#include "device/driver_comm.h"
#include "device/fake_hid.h"
#include "device/recording_backend.h"
#include "support/bridge_peer_process.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

using namespace std::chrono_literals;

constexpr int kVid = 0x1A2B;
constexpr int kPid = 0x00FF;
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
    EXPECT_TRUE(backend.Enumerate().empty());
    EXPECT_FALSE(backend.Open("x"));
    EXPECT_FALSE(BridgeWatch::Start((dir / "none.sock").string()));
    BridgeBackend too_long(std::string(200, 'x'));
    EXPECT_TRUE(too_long.Enumerate().empty());
}

// A peer written in C++ for the misbehaviours: each request line goes to `script`, whose
// answer is sent back as raw text (a newline is added); nullopt leaves the request unanswered.
class ScriptedPeer {
  public:
    using Script = std::function<std::optional<std::string>(const JsonValue& request)>;

    explicit ScriptedPeer(Script script) : script_(std::move(script)) {
        path_ = (dir_ / "s.sock").string();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(listener_, 4), 0);
        thread_ = std::thread([this] { Serve(); });
    }

    ~ScriptedPeer() {
        ::shutdown(listener_, SHUT_RDWR);
        const int c = connection_.exchange(-1);
        if (c >= 0) {
            ::shutdown(c, SHUT_RDWR);
        }
        thread_.join();
        ::close(listener_);
    }

    const std::string& path() const { return path_; }
    int connections() const { return accepted_; }

  private:
    void Serve() {
        while (true) {
            const int c = ::accept(listener_, nullptr, nullptr);
            if (c < 0) {
                return;
            }
            ++accepted_;
            connection_ = c;
            std::string pending;
            char chunk[512];
            ssize_t n = 0;
            while ((n = ::recv(c, chunk, sizeof chunk, 0)) > 0) {
                pending.append(chunk, static_cast<std::size_t>(n));
                std::size_t end = 0;
                while ((end = pending.find('\n')) != std::string::npos) {
                    const std::optional<JsonValue> request = ParseJson(pending.substr(0, end));
                    pending.erase(0, end + 1);
                    std::optional<std::string> answer = script_(request.value_or(JsonValue()));
                    if (answer) {
                        *answer += '\n';
                        ::send(c, answer->data(), answer->size(), MSG_NOSIGNAL);
                    }
                }
            }
            connection_.exchange(-1);
            ::close(c);
        }
    }

    test::TempDir dir_;
    std::string path_;
    Script script_;
    int listener_ = -1;
    std::atomic<int> connection_{-1};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

// The standard answers up to the open of one interface; `rest` answers everything else.
ScriptedPeer::Script Mouse(std::function<std::optional<std::string>(const std::string& op)> rest) {
    return [rest](const JsonValue& request) -> std::optional<std::string> {
        const std::string op = request.GetString("op").value_or("");
        if (op == "hello") {
            return R"({"version":1})";
        }
        if (op == "enumerate") {
            return R"({"interfaces":[{"path":"m","vendor_id":6699,"product_id":255,)"
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
    EXPECT_EQ(device->Read(buffer, 10), -1);  // garbage: the connection is gone for good
    EXPECT_EQ(device->Read(buffer, 10), -1);
    EXPECT_EQ(reads.load(), 5);

    // A rescan connects afresh.
    EXPECT_EQ(backend.Enumerate().size(), 1u);
    EXPECT_EQ(peer.connections(), 2);
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
}

TEST(BridgeBackendTest, AnOversizedLineOrWrongVersionIsRefused) {
    ScriptedPeer huge([](const JsonValue& request) -> std::optional<std::string> {
        if (request.GetString("op") == "hello") {
            return std::string(3 << 20, 'x');
        }
        return R"({"interfaces":[]})";
    });
    EXPECT_TRUE(BridgeBackend(huge.path(), 200ms).Enumerate().empty());

    ScriptedPeer old([](const JsonValue&) -> std::optional<std::string> {
        return R"({"version":2,"interfaces":[{"path":"m","vendor_id":1,"product_id":1,)"
               R"("release_number":1,"usage_page":192,"usage":1,"output_report_length":65}]})";
    });
    EXPECT_TRUE(BridgeBackend(old.path(), 200ms).Enumerate().empty());
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
        const std::optional<JsonValue> entry = ParseJson(line);
        ASSERT_TRUE(entry) << line;
        const std::optional<std::int64_t> t = entry->GetInt("t");
        ASSERT_TRUE(t);
        EXPECT_GE(*t, last_t);
        last_t = *t;
        ASSERT_NE(entry->Find("request"), nullptr);
        ASSERT_TRUE(entry->Find("answer") && entry->Find("answer")->IsObject());
        ops.push_back(entry->Find("request")->GetString("op").value_or("?"));
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

TEST(DefaultBackend, BridgeAndRecorderFollowTheEnvironment) {
    test::BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    test::TempDir dir;
    const std::string capture = (dir / "session.jsonl").string();
    {
        test::ScopedEnv bridge("VELTRA_HID_BRIDGE", peer.socket_path());
        test::ScopedEnv record("VELTRA_HID_RECORD", capture);
        auto comm = CommOver(MakeDefaultHidBackend());
        Frame status = Request(0x00);
        EXPECT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Answered);
    }
    const std::string text = test::ReadFile(capture);
    EXPECT_NE(text.find(R"("request":{"op":"enumerate"})"), std::string::npos);
    EXPECT_NE(text.find(R"("path":"bridge:mouse0")"), std::string::npos);
    EXPECT_NE(text.find(R"("answer":{"data":"55aa001c80)"), std::string::npos);
}

}  // namespace
}  // namespace veltra
