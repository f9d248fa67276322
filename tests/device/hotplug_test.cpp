#include <gtest/gtest.h>

#include "device/bridge_hotplug_source.h"
#include "device/worker_fixture.h"
#include "platform/linux/udev_hotplug.h"
#include "support/bridge_peer_process.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace veltra::test {
namespace {

TEST_F(WorkerTest, OnlyTheProtocolInterfaceOfACompositeArrivalQueuesATask) {
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    ASSERT_EQ(sim_->Paths(wired).size(), 3u);
    DeliverHotplug();
    Worker().StartWorker();
    ASSERT_TRUE(view_.WaitFor("TaskFinished 2"));
    Worker().StopWorker();
    // Three arrivals, one task: a second one would have rescanned again.
    EXPECT_EQ(view_.Count("DeviceList 101: 101=0/1/256"), 1);
    EXPECT_TRUE(state_.Snapshot().synced);
}

TEST_F(WorkerTest, ArrivalsAndRemovalsThatMatchNothingQueueNothing) {
    const int wired = sim_->Plug(mouse_, sim::Link::Wired, kVid, kWiredPid);
    const std::vector<std::string> paths = sim_->Paths(wired);
    DiscardHotplug();
    // The pattern matches, but the interface the event names is not the protocol collection.
    Worker().UpdateUSBDevice({HotplugEvent::Kind::Arrival, paths[2], paths[0]});
    // Another product of the same vendor.
    Worker().UpdateUSBDevice(
        {HotplugEvent::Kind::Arrival, "\\\\?\\HID#VID_3554&PID_0001&MI_02#x", paths[2]});
    // Removal before any scan found a device.
    Worker().UpdateUSBDevice({HotplugEvent::Kind::Removal, paths[2], {}});
    EXPECT_TRUE(Worker().TaskQueueEmpty());

    // Lower-case paths match like upper-case ones.
    std::string lower = paths[2];
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    Worker().UpdateUSBDevice({HotplugEvent::Kind::Arrival, lower, paths[2]});
    EXPECT_FALSE(Worker().TaskQueueEmpty());
}

TEST_F(WorkerTest, ModelChoiceQueuesTaskFourOnlyForAnotherModelButTheDeviceListAlwaysOpensPages) {
    using Choice = DeviceWorker::ModelChoice;
    using Result = DeviceWorker::ModelChoiceResult;
    comm_->SetCurrentDeviceType(kDeviceType);
    // The same device again only shows the tabs.
    EXPECT_EQ(Worker().ChooseDeviceModel(kDeviceType, Choice::DeviceList),
              (Result{.open_device_pages = true}));
    EXPECT_TRUE(Worker().TaskQueueEmpty());
    EXPECT_EQ(Worker().ChooseDeviceModel(102, Choice::DeviceList),
              (Result{.task_queued = true, .open_device_pages = true}));
    EXPECT_EQ(comm_->CurrentDeviceType(), 102);
    EXPECT_EQ(stored_type_, 102);
    EXPECT_EQ(store_.DeviceType(), 0);
    EXPECT_FALSE(Worker().TaskQueueEmpty());
    // The model list acts even on the model already served, and waits for the task.
    EXPECT_EQ(Worker().ChooseDeviceModel(102, Choice::ModelList),
              (Result{.task_queued = true, .show_wait_dialog = true}));
    EXPECT_EQ(store_.DeviceType(), 102);
}

TEST_F(WorkerTest, RescanWithASleepingReceiverListsTheModelOfflineAndShowsNotConnected) {
    sim_->WithFirmware(mouse_, [](sim::FirmwareModel& m) { m.SetAsleep(true); });
    sim_->Plug(mouse_, sim::Link::Receiver, kVid, kReceiverPid, {0x0123, true, true});
    stored_type_ = 999;  // unknown to the catalogue: its first model, written back
    Worker().UpdateDeviceList();
    EXPECT_EQ(view_.Calls(),
              (std::vector<std::string>{"DeviceList 101: 101=2/0/291", "Connection 50"}));
    EXPECT_EQ(stored_type_, kDeviceType);
    EXPECT_EQ(comm_->CurrentDeviceType(), kDeviceType);
    EXPECT_TRUE(Worker().DevicesPresent());
    EXPECT_FALSE(state_.Snapshot().connected_shown);
}

TEST_F(WorkerTest, DeviceListKeepsTheStoredModelTheCatalogueKnowsAndListsEveryModel) {
    comm_->AddDevice(kVid, 0xF5D7, "", 205, ConnectionMode::Wired);
    comm_->AddDevice(kVid, 0xF5D8, "", 102, ConnectionMode::Wired);
    comm_->AddDevice(kVid, 0xF5D9, "", 205, ConnectionMode::Receiver);
    sim_->Plug(mouse_, sim::Link::Wired, kVid, 0xF5D8);
    stored_type_ = 102;
    Worker().UpdateDeviceList();
    EXPECT_EQ(view_.Calls(), (std::vector<std::string>{"DeviceList 102: 101=- 205=- 102=0/1/256",
                                                       "Connection 51 connected pages"}));
    EXPECT_EQ(stored_type_, 102);
}

TEST(HidrawPathTest, RendersTheWindowsInterfaceForm) {
    const auto usb = ParseHidrawDevpath(
        "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/0003:3554:F5D5.0005/hidraw/hidraw3");
    ASSERT_TRUE(usb);
    EXPECT_EQ(WindowsInterfacePath(*usb), "\\\\?\\HID#VID_3554&PID_F5D5&MI_02#0003:3554:F5D5.0005");

    // A virtual device has no USB interface; its physical path names the interface.
    const auto uhid =
        ParseHidrawDevpath("/devices/virtual/misc/uhid/0003:3554:F5D5.0007/hidraw/hidraw0",
                           "usb-0000:00:14.0-2/input2");
    ASSERT_TRUE(uhid);
    EXPECT_EQ(uhid->interface_number, 2);

    const auto bluetooth =
        ParseHidrawDevpath("/devices/virtual/misc/uhid/0005:046D:00BA.0009/hidraw/hidraw1");
    ASSERT_TRUE(bluetooth);
    EXPECT_NE(WindowsInterfacePath(*bluetooth)
                  .find("{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&02046D_PID&00BA"),
              std::string::npos);

    for (const char* bad :
         {"", "/", "/devices/hidraw/hidraw0", "/devices/x/0003:3554.0001/hidraw/hidraw0",
          "/devices/x/0003:ZZZZ:F5D5.0005/hidraw/hidraw3", "/devices/x/0003:3554:F5D5.0005/hidraw",
          "/devices/1-2:1.x/0003:3554:F5D5.0005/hidraw/hidraw3"}) {
        const auto parsed = ParseHidrawDevpath(bad, "junk/input");
        if (parsed) {
            EXPECT_EQ(parsed->interface_number, 0) << bad;
        }
    }
    EXPECT_FALSE(ParseHidrawDevpath("/devices/x/0003:3554.0001/hidraw/hidraw0"));
}

TEST(HotplugQueueTest, HandsEventsOverInOrderAndWakesTheTakingThread) {
    int notified = 0;
    HotplugQueue queue([&] { ++notified; });
    EXPECT_FALSE(queue.WaitFor(std::chrono::milliseconds(0)));
    std::thread poster([&] {
        queue.Post({HotplugEvent::Kind::Arrival, "a", {}});
        queue.Post({HotplugEvent::Kind::Removal, "b", {}});
    });
    poster.join();
    EXPECT_TRUE(queue.WaitFor(std::chrono::milliseconds(0)));
    const std::vector<HotplugEvent> events = queue.TakeAll();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].path, "a");
    EXPECT_EQ(events[1].kind, HotplugEvent::Kind::Removal);
    EXPECT_EQ(notified, 2);
    EXPECT_TRUE(queue.TakeAll().empty());
}

}  // namespace
}  // namespace veltra::test

namespace veltra::test {
namespace {

TEST(BridgeHotplugSourceTest, DeliversThePeersEventsUntilStopped) {
    BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    HotplugQueue queue;
    BridgeHotplugSource source(peer.socket_path());
    ASSERT_TRUE(source.Start(queue.Sink()));
    peer.Signal(SIGUSR1);
    ASSERT_TRUE(queue.WaitFor(std::chrono::seconds(10)));
    const std::vector<HotplugEvent> events = queue.TakeAll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, HotplugEvent::Kind::Removal);
    EXPECT_EQ(events[0].path, "bridge:mouse0");
    source.Stop();

    EXPECT_FALSE(BridgeHotplugSource("/nonexistent/socket").Start(queue.Sink()));
}

}  // namespace
}  // namespace veltra::test

namespace veltra::test {
namespace {

// Whether this process may join the kernel's uevent multicast `group` (1: the kernel's own
// events, 2: those udev passes on); a sandbox may forbid either.
bool CanListen(unsigned group) {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        return false;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = group;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

// The kernel feed starts exactly when the kernel's events can be heard; the automatic one
// takes udev's when its daemon runs. Either starts again after a stop.
TEST(UdevHotplugSourceTest, StartsWheneverItsFeedCanBeHeardAndAgainAfterAStop) {
    const bool udev_runs = std::filesystem::exists("/run/udev/control");
    const struct {
        UdevHotplugSource::Feed feed;
        bool available;
    } cases[] = {
        {UdevHotplugSource::Feed::Kernel, CanListen(1)},
        {UdevHotplugSource::Feed::Automatic, udev_runs ? CanListen(2) : CanListen(1)},
    };
    for (const auto& c : cases) {
        HotplugQueue queue;
        UdevHotplugSource source(c.feed);
        EXPECT_EQ(RegisterForDeviceNotifications(source, queue), c.available)
            << static_cast<int>(c.feed);
        source.Stop();
        source.Stop();
        EXPECT_EQ(source.Start(queue.Sink()), c.available) << static_cast<int>(c.feed);
        source.Stop();
    }
}

}  // namespace
}  // namespace veltra::test
