#include "frontend/device_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "config/catalogue.h"
#include "device/driver_comm.h"
#include "sim/simulated_backend.h"
#include "support/bridge_peer_process.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

constexpr int kVid = 0x3554;
constexpr int kPid = 0xF5D5;
constexpr int kType = 3;

Frame StatusRequest() {
    Frame frame{};
    frame[1] = 0x55;
    frame[2] = 0xAA;
    frame[3] = 0x00;
    return frame;
}

std::unique_ptr<DriverComm> CommOver(std::unique_ptr<HidBackend> backend, int vid, int pid) {
    auto comm = std::make_unique<DriverComm>(std::move(backend));
    comm->SetSleeper([](std::chrono::milliseconds) {});
    comm->AddDevice(vid, pid, "", kType, ConnectionMode::Wired);
    comm->EnumerateDevice();
    comm->SetCurrentDeviceType(kType);
    return comm;
}

Catalogue OneWiredModel(int vid, int pid) {
    Catalogue catalogue;
    DeviceModelEntry mode;
    mode.device_type = kType;
    mode.connection_mode = static_cast<int>(ConnectionMode::Wired);
    mode.vid = vid;
    mode.pid = pid;
    catalogue.models.push_back(mode);
    catalogue.modes.push_back(mode);
    return catalogue;
}

TEST(DeviceLink, BridgeAndRecorderFollowTheEnvironment) {
    test::BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    test::TempDir dir;
    const std::string capture = (dir / "session.jsonl").string();
    {
        test::ScopedEnv bridge("VELTRA_HID_BRIDGE", peer.socket_path());
        test::ScopedEnv record("VELTRA_HID_RECORD", capture);
        DeviceLink link = MakeDeviceLink(Catalogue{}, {});
        EXPECT_EQ(link.kind, DeviceLinkKind::Bridge);
        EXPECT_EQ(link.bridge, peer.socket_path());
        EXPECT_NE(link.hotplug, nullptr);
        auto comm = CommOver(std::move(link.backend), kVid, kPid);
        Frame status = StatusRequest();
        EXPECT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Answered);
    }
    const std::string text = test::ReadFile(capture);
    EXPECT_NE(text.find(R"("request":{"op":"enumerate"})"), std::string::npos);
    EXPECT_NE(text.find(R"("path":"bridge:mouse0")"), std::string::npos);
    EXPECT_NE(text.find(R"("answer":{"data":"55aa001c80)"), std::string::npos);
}

// Demo mode wins over a bridge in the environment, and the simulated mouse carries the
// catalogue's identity of the served model, so the device link's catalogue matches it.
TEST(DeviceLink, DemoServesTheCataloguesModelEvenWithABridgeSet) {
    test::ScopedEnv bridge("VELTRA_HID_BRIDGE", "/nonexistent/socket");
    test::ScopedEnv record("VELTRA_HID_RECORD", std::nullopt);
    DeviceLinkOptions options;
    options.demo = true;
    options.device_type = kType;
    options.demo_time_scale = 0.05;
    DeviceLink link = MakeDeviceLink(OneWiredModel(0x0B0A, 0x0C0D), options);
    EXPECT_EQ(link.kind, DeviceLinkKind::Simulated);
    ASSERT_NE(link.simulated, nullptr);
    ASSERT_NE(link.hotplug, nullptr);
    auto comm = CommOver(std::move(link.backend), 0x0B0A, 0x0C0D);
    EXPECT_EQ(comm->GetConnectionMode(), ConnectionMode::Wired);
    Frame status = StatusRequest();
    EXPECT_EQ(comm->SetDeviceData(status, true), ExchangeResult::Answered);
}

TEST(DeviceLink, WithoutBridgeOrDemoThePlatformLibraryServes) {
    test::ScopedEnv bridge("VELTRA_HID_BRIDGE", std::nullopt);
    test::ScopedEnv record("VELTRA_HID_RECORD", std::nullopt);
    const DeviceLink link = MakeDeviceLink(Catalogue{}, {});
    EXPECT_EQ(link.kind, DeviceLinkKind::Platform);
    EXPECT_TRUE(link.bridge.empty());
    EXPECT_NE(link.backend, nullptr);
    EXPECT_NE(link.hotplug, nullptr);
    EXPECT_EQ(link.simulated, nullptr);
}

}  // namespace
}  // namespace veltra
