#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "interface_kind.h"
#include "responder.h"
#include "uhid_mouse.h"

namespace veltra::uhid {
namespace {

// What a descriptor declares, as the kernel's parser sees it: bytes per report id and kind.
struct DeclaredReports {
    std::uint16_t usage_page = 0;
    std::uint16_t usage = 0;
    std::map<std::uint8_t, std::size_t> input_bytes;
    std::map<std::uint8_t, std::size_t> output_bytes;
    int open_collections = 0;
};

DeclaredReports Walk(const std::vector<std::uint8_t>& d) {
    DeclaredReports r;
    std::uint32_t size = 0, count = 0, page = 0;
    std::uint8_t id = 0;
    for (std::size_t i = 0; i < d.size();) {
        const std::uint8_t prefix = d[i];
        const std::size_t len = (prefix & 3) == 3 ? 4 : (prefix & 3);
        EXPECT_LE(i + 1 + len, d.size()) << "item runs past the end";
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < len && i + 1 + b < d.size(); ++b) {
            value |= static_cast<std::uint32_t>(d[i + 1 + b]) << (8 * b);
        }
        switch (prefix & 0xFC) {
            case 0x04:
                page = value;
                break;
            case 0x74:
                size = value;
                break;
            case 0x94:
                count = value;
                break;
            case 0x84:
                id = static_cast<std::uint8_t>(value);
                break;
            case 0x08:
                if (r.open_collections == 0 && r.usage == 0) {
                    r.usage_page = static_cast<std::uint16_t>(page);
                    r.usage = static_cast<std::uint16_t>(value);
                }
                break;
            case 0xA0:
                ++r.open_collections;
                break;
            case 0xC0:
                --r.open_collections;
                break;
            case 0x80:
                r.input_bytes[id] += size * count / 8;
                break;
            case 0x90:
                r.output_bytes[id] += size * count / 8;
                break;
            default:
                break;
        }
        i += 1 + len;
    }
    return r;
}

TEST(InterfaceLayout, DescriptorsDeclareTheReportsEachKindExchanges) {
    struct Case {
        InterfaceKind kind;
        std::uint16_t page, usage;
        std::uint8_t id;
        std::size_t bytes;
    };
    for (const auto& c : {Case{InterfaceKind::Wired, 0x00C0, 0x0001, 0, 64},
                          Case{InterfaceKind::ShortForm, 0x00C0, 0x0001, 6, 48},
                          Case{InterfaceKind::Bluetooth, 0xFF00, 0x000E, 0, 64}}) {
        const auto layout = LayoutFor(c.kind);
        const auto r = Walk(layout.descriptor);
        EXPECT_EQ(r.open_collections, 0);
        EXPECT_EQ(r.usage_page, c.page);
        EXPECT_EQ(r.usage, c.usage);
        EXPECT_EQ(r.input_bytes, (std::map<std::uint8_t, std::size_t>{{c.id, c.bytes}}));
        EXPECT_EQ(r.output_bytes, (std::map<std::uint8_t, std::size_t>{{c.id, c.bytes}}));
        EXPECT_EQ(layout.usage_page, c.page);
        EXPECT_EQ(layout.report_id, c.id);
        EXPECT_EQ(layout.report_size, c.bytes);
    }
    EXPECT_EQ(ParseInterfaceKind("short"), InterfaceKind::ShortForm);
    EXPECT_EQ(ParseInterfaceKind("usb"), std::nullopt);
}

TEST(Framing, OutputLosesItsReportIdByteAndOtherIdsAreDropped) {
    const auto wired = LayoutFor(InterfaceKind::Wired);
    std::vector<std::uint8_t> data(65, 0);
    data[1] = 0x55;
    auto payload = PayloadFromOutput(wired, data);
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->size(), 64u);
    EXPECT_EQ((*payload)[0], 0x55);

    data[0] = 6;
    EXPECT_FALSE(PayloadFromOutput(wired, data));
    EXPECT_FALSE(PayloadFromOutput(wired, {}));

    const auto shortform = LayoutFor(InterfaceKind::ShortForm);
    payload = PayloadFromOutput(shortform, data);
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->size(), 48u) << "bytes beyond the report never reach the mouse";

    const std::vector<std::uint8_t> truncated = {0x00, 0x55, 0xAA};
    EXPECT_EQ(PayloadFromOutput(wired, truncated), (std::vector<std::uint8_t>{0x55, 0xAA}));
}

TEST(Framing, InputCarriesTheReportIdOnlyForNumberedReports) {
    Payload p{};
    p[0] = 0x55;
    p[63] = 0x77;
    const auto wired = InputFromPayload(LayoutFor(InterfaceKind::Wired), p);
    ASSERT_EQ(wired.size(), 64u);
    EXPECT_EQ(wired[0], 0x55);
    EXPECT_EQ(wired[63], 0x77);
    const auto shortform = InputFromPayload(LayoutFor(InterfaceKind::ShortForm), p);
    ASSERT_EQ(shortform.size(), 49u);
    EXPECT_EQ(shortform[0], 6);
    EXPECT_EQ(shortform[1], 0x55);
}

TEST(FirmwareResponder, AnswersTheProtocolAndLogsEveryPayloadAsItArrived) {
    std::ostringstream log;
    FirmwareResponder r({}, &log);
    std::vector<std::uint8_t> request(48, 0);
    request[0] = 0x55;
    request[1] = 0xAA;
    auto answers = r.Receive(request);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0][3], 0x1C);

    // A settings write reaches the model: the config read afterwards carries it.
    request[2] = 0x01;
    const Payload config = r.Receive(request).at(0);
    std::vector<std::uint8_t> set(config.begin(), config.end());
    set[2] = 0x02;
    set[28] = 0x2A;
    EXPECT_TRUE(r.Receive(set).empty()) << "writes are not answered";
    EXPECT_EQ(r.Receive(request).at(0)[28], 0x2A);
    EXPECT_TRUE(r.Receive(std::vector<std::uint8_t>{0xDE, 0xAD}).empty());

    std::istringstream lines(log.str());
    std::vector<std::string> logged;
    for (std::string line; std::getline(lines, line);) {
        logged.push_back(line);
    }
    ASSERT_EQ(logged.size(), 5u);
    EXPECT_EQ(logged[0], "55aa" + std::string(92, '0')) << "48 bytes, as the short form carries";
    EXPECT_EQ(logged[2].size(), 128u);
    EXPECT_EQ(logged[2].substr(0, 8), "55aa0220");
    EXPECT_EQ(logged[2].substr(56, 2), "2a");
    EXPECT_EQ(logged[4], "dead");
}

TEST(FirmwareResponder, DpiButtonNotifiesTheNextEnabledLevel) {
    FirmwareResponder r;
    const int before = r.model().ActiveDpiLevel();
    const auto note = r.PressDpiButton();
    EXPECT_EQ(note[0], 0x55);
    EXPECT_EQ(note[1], 0xBB);
    EXPECT_EQ(note[2], 0x01);
    EXPECT_EQ(note[4] >> 5, r.model().ActiveDpiLevel());
    EXPECT_NE(r.model().ActiveDpiLevel(), before);
}

// The kernel's side of /dev/uhid: a socket pair keeps one event per message, as the device does.
class UhidMouseTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds_), 0); }
    void TearDown() override {
        ::close(fds_[0]);
        if (fds_[1] >= 0) {
            ::close(fds_[1]);
        }
    }

    UhidMouse Make(InterfaceKind kind) {
        DeviceIdentity id;
        id.vendor_id = 0x1209;
        id.product_id = 0x0001;
        return UhidMouse(fds_[0], LayoutFor(kind), id, responder_);
    }
    void Send(const uhid_event& e) {
        ASSERT_EQ(::write(fds_[1], &e, sizeof e), static_cast<ssize_t>(sizeof e));
    }
    void SendOutput(std::vector<std::uint8_t> data, std::uint8_t rtype = UHID_OUTPUT_REPORT) {
        uhid_event e{};
        e.type = UHID_OUTPUT;
        e.u.output.size = static_cast<std::uint16_t>(data.size());
        e.u.output.rtype = rtype;
        std::copy(data.begin(), data.end(), e.u.output.data);
        Send(e);
    }
    uhid_event Receive() {
        uhid_event e{};
        EXPECT_EQ(::read(fds_[1], &e, sizeof e), static_cast<ssize_t>(sizeof e));
        return e;
    }
    bool NothingSent() {
        uhid_event e{};
        return ::recv(fds_[1], &e, sizeof e, MSG_DONTWAIT) < 0;
    }

    int fds_[2] = {-1, -1};
    FirmwareResponder responder_;
};

TEST_F(UhidMouseTest, PlugCreatesTheDeviceWithItsIdentityAndDescriptor) {
    auto mouse = Make(InterfaceKind::Bluetooth);
    ASSERT_TRUE(mouse.Plug());
    EXPECT_TRUE(mouse.Plug()) << "plugging twice creates nothing new";
    const auto e = Receive();
    ASSERT_EQ(e.type, UHID_CREATE2);
    EXPECT_STREQ(reinterpret_cast<const char*>(e.u.create2.phys), "usb-0000:00:14.0-2/input2");
    EXPECT_EQ(e.u.create2.vendor, 0x1209u);
    EXPECT_EQ(e.u.create2.product, 0x0001u);
    const auto layout = LayoutFor(InterfaceKind::Bluetooth);
    ASSERT_EQ(e.u.create2.rd_size, layout.descriptor.size());
    EXPECT_EQ(std::memcmp(e.u.create2.rd_data, layout.descriptor.data(), layout.descriptor.size()),
              0);
    EXPECT_TRUE(NothingSent());

    EXPECT_TRUE(mouse.Unplug());
    EXPECT_EQ(Receive().type, UHID_DESTROY);
    EXPECT_FALSE(mouse.PressDpiButton()) << "an unplugged mouse sends nothing";
    EXPECT_TRUE(NothingSent());
}

TEST_F(UhidMouseTest, StatusRequestOnShortFormIsAnsweredWithNumberedReport) {
    auto mouse = Make(InterfaceKind::ShortForm);
    ASSERT_TRUE(mouse.Plug());
    Receive();
    std::vector<std::uint8_t> frame(49, 0);
    frame[0] = 6;
    frame[1] = 0x55;
    frame[2] = 0xAA;
    SendOutput(frame);
    ASSERT_TRUE(mouse.HandleEvent());
    const auto e = Receive();
    ASSERT_EQ(e.type, UHID_INPUT2);
    ASSERT_EQ(e.u.input2.size, 49);
    EXPECT_EQ(e.u.input2.data[0], 6);
    EXPECT_EQ(e.u.input2.data[1], 0x55);
    EXPECT_EQ(e.u.input2.data[4], 0x1C);
    EXPECT_EQ(mouse.outputs_taken(), 1);
}

TEST_F(UhidMouseTest, MalformedOutputAndFeatureRequestsNeverGetAnAnswerReport) {
    auto mouse = Make(InterfaceKind::Wired);
    ASSERT_TRUE(mouse.Plug());
    Receive();
    SendOutput({});
    SendOutput({0x06, 0x55, 0xAA, 0x00});
    SendOutput({0x00, 0x55, 0xAA, 0x00}, UHID_FEATURE_REPORT);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(mouse.HandleEvent());
    }
    EXPECT_TRUE(NothingSent());
    EXPECT_EQ(mouse.outputs_dropped(), 3);

    uhid_event get{};
    get.type = UHID_GET_REPORT;
    get.u.get_report.id = 41;
    Send(get);
    ASSERT_TRUE(mouse.HandleEvent());
    const auto reply = Receive();
    ASSERT_EQ(reply.type, UHID_GET_REPORT_REPLY);
    EXPECT_EQ(reply.u.get_report_reply.id, 41u);
    EXPECT_NE(reply.u.get_report_reply.err, 0);

    ::close(fds_[1]);
    fds_[1] = -1;
    EXPECT_FALSE(mouse.HandleEvent()) << "a closed uhid descriptor ends the event loop";
}

TEST_F(UhidMouseTest, DpiButtonSendsTheNotificationWhilePlugged) {
    auto mouse = Make(InterfaceKind::Wired);
    ASSERT_TRUE(mouse.Plug());
    Receive();
    ASSERT_TRUE(mouse.PressDpiButton());
    const auto e = Receive();
    ASSERT_EQ(e.type, UHID_INPUT2);
    ASSERT_EQ(e.u.input2.size, 64);
    EXPECT_EQ(e.u.input2.data[1], 0xBB);
}

}  // namespace
}  // namespace veltra::uhid
