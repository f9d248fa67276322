#include "sim/simulated_backend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace veltra::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::uint16_t kVid = 0x1A2B;
constexpr std::uint16_t kPid = 0x00FF;
constexpr std::uint16_t kReceiverPid = 0x00FE;

// A 65-byte frame as the host writes it on an unnumbered interface.
std::vector<std::uint8_t> Frame(std::uint8_t command, std::uint8_t length = 0) {
    std::vector<std::uint8_t> frame(65, 0);
    frame[1] = 0x55;
    frame[2] = 0xAA;
    frame[3] = command;
    frame[4] = length;
    return frame;
}

int ReadInto(HidDevice& device, std::vector<std::uint8_t>& buffer, int timeout_ms = 100) {
    buffer.assign(65, 0);
    return device.Read(buffer, timeout_ms);
}

class SimulatedBackendTest : public ::testing::Test {
  protected:
    std::unique_ptr<HidDevice> OpenProtocol(int device) {
        return backend.Open(backend.ProtocolPath(device));
    }
    std::vector<HotplugEvent> Events() {
        backend.FlushHotplugEvents();
        return heard;
    }
    void ForgetEvents() {
        backend.FlushHotplugEvents();
        heard.clear();
    }

    // Declared before the backend: its hot-plug thread may still run while members go away.
    std::vector<HotplugEvent> heard;
    SimulatedBackend backend{BackendOptions{.time_scale = 0}};
    int mouse = backend.AddMouse();
    int listener =
        backend.AddHotplugListener([this](const HotplugEvent& e) { heard.push_back(e); });
};

TEST_F(SimulatedBackendTest, DevicesPresentTheirInterfacesLikeTheSystem) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid, {.release_number = 0x0210});
    const int short_form = backend.Plug(mouse, Link::ShortForm, kVid, kPid);
    const int bluetooth = backend.Plug(mouse, Link::Bluetooth, 0x046D, 0x00BA);
    const auto all = backend.Enumerate();
    ASSERT_EQ(all.size(), 8u);

    EXPECT_EQ(all[0].usage_page, 0x0001);
    EXPECT_EQ(all[0].usage, 0x0002);
    EXPECT_EQ(all[1].usage, 0x0006);
    const HidInterfaceInfo& protocol = all[2];
    EXPECT_EQ(protocol.path, backend.ProtocolPath(wired));
    EXPECT_THAT(protocol.path, HasSubstr("VID_1A2B&PID_00FF&MI_02"));
    EXPECT_EQ(protocol.path.rfind("\\\\?\\HID#", 0), 0u);
    EXPECT_EQ(protocol.vendor_id, kVid);
    EXPECT_EQ(protocol.product_id, kPid);
    EXPECT_EQ(protocol.release_number, 0x0210);
    EXPECT_EQ(protocol.usage_page, 0x00C0);
    EXPECT_EQ(protocol.usage, 0x0001);
    EXPECT_EQ(protocol.output_report_length, 65);

    EXPECT_EQ(all[5].path, backend.ProtocolPath(short_form));
    EXPECT_EQ(all[5].output_report_length, 49);
    EXPECT_NE(all[5].path, protocol.path);  // same pair, another instance

    EXPECT_EQ(all[7].path, backend.ProtocolPath(bluetooth));
    EXPECT_THAT(all[7].path,
                HasSubstr("{00001812-0000-1000-8000-00805F9B34FB}_DEV_VID&02046D_PID&00BA"));
    EXPECT_EQ(all[7].usage_page, 0xFF00);
    EXPECT_EQ(all[7].usage, 0x000E);

    const auto events = Events();
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[2].kind, HotplugEvent::Kind::Arrival);
    EXPECT_EQ(events[2].path, protocol.path);

    const int bare =
        backend.Plug(mouse, Link::Receiver, kVid, kReceiverPid, {.companion_interfaces = false});
    EXPECT_EQ(backend.Paths(bare).size(), 1u);
    EXPECT_EQ(backend.Plug(mouse + 5, Link::Wired, kVid, kPid), -1);
}

TEST_F(SimulatedBackendTest, UnnumberedReportsLoseTheirIdOnRead) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    auto device = OpenProtocol(wired);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->OutputReportLength(), 65);
    EXPECT_EQ(device->Write(Frame(0x01)), 65);

    std::vector<std::uint8_t> buffer;
    ASSERT_EQ(ReadInto(*device, buffer), 64);
    const Payload config = backend.Firmware(mouse).ConfigBlock();
    EXPECT_TRUE(std::equal(config.begin(), config.end(), buffer.begin()));
    EXPECT_EQ(ReadInto(*device, buffer), 0);

    // A read into a smaller buffer returns what fits, like hidapi.
    device->Write(Frame(0x00));
    std::array<std::uint8_t, 33> small{};
    EXPECT_EQ(device->Read(small, 10), 33);
    EXPECT_EQ(small[3], 0x1C);
}

TEST_F(SimulatedBackendTest, WritesMustMatchTheInterfaceReport) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    auto device = OpenProtocol(wired);
    auto frame = Frame(0x00);
    frame[0] = 0x06;
    EXPECT_EQ(device->Write(frame), -1);
    auto long_frame = Frame(0x00);
    long_frame.push_back(0);
    EXPECT_EQ(device->Write(long_frame), -1);
    EXPECT_EQ(device->Write(std::vector<std::uint8_t>{}), -1);

    // A short write is padded with zeros and still reaches the mouse.
    const std::vector<std::uint8_t> brief = {0x00, 0x55, 0xAA, 0x00};
    EXPECT_EQ(device->Write(brief), 4);
    const auto frames = backend.Firmware(mouse).ReceivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 64u);

    auto pointer = backend.Open(backend.Paths(wired)[0]);
    ASSERT_TRUE(pointer);
    EXPECT_EQ(pointer->Write(Frame(0x00)), -1);
}

TEST_F(SimulatedBackendTest, ShortFormCarriesReportIdSixAnd48PayloadBytes) {
    const int device_id = backend.Plug(mouse, Link::ShortForm, kVid, kPid);
    auto device = OpenProtocol(device_id);
    EXPECT_EQ(device->OutputReportLength(), 49);
    EXPECT_EQ(device->Write(Frame(0x01)), -1);  // wrong id and too long

    auto frame = Frame(0x01);
    frame[0] = 0x06;
    frame.resize(49);
    EXPECT_EQ(device->Write(frame), 49);
    std::vector<std::uint8_t> buffer;
    ASSERT_EQ(ReadInto(*device, buffer), 49);
    EXPECT_EQ(buffer[0], 0x06);
    const Payload config = backend.Firmware(mouse).ConfigBlock();
    EXPECT_TRUE(std::equal(config.begin(), config.begin() + 48, buffer.begin() + 1));
    EXPECT_EQ(buffer[49], 0);

    const auto frames = backend.Firmware(mouse).ReceivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], std::vector<std::uint8_t>(frame.begin() + 1, frame.end()));
}

TEST_F(SimulatedBackendTest, InputGoesToEveryOpenProtocolHandleOfTheMouse) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    const int receiver = backend.Plug(mouse, Link::Receiver, kVid, kReceiverPid);
    auto first = OpenProtocol(wired);
    auto second = OpenProtocol(wired);
    auto via_receiver = OpenProtocol(receiver);
    auto pointer = backend.Open(backend.Paths(wired)[0]);

    first->Write(Frame(0x00));
    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(ReadInto(*second, buffer), 64);  // like hidraw, every reader sees the report
    EXPECT_EQ(ReadInto(*via_receiver, buffer), 0);

    ASSERT_TRUE(backend.PressDpiButton(mouse));
    for (auto* handle : {first.get(), via_receiver.get()}) {
        ReadInto(*handle, buffer);  // the first handle still holds its status answer
        if (handle == first.get()) {
            ReadInto(*handle, buffer);
        }
        EXPECT_THAT(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 5),
                    ElementsAre(0x55, 0xBB, 0x01, 0x00, 0x48));
    }
    EXPECT_EQ(ReadInto(*pointer, buffer), 0);

    ASSERT_TRUE(backend.ChangeReportRate(mouse, 2));
    EXPECT_EQ(ReadInto(*via_receiver, buffer), 64);
    EXPECT_EQ(buffer[4], 0x4A);
    EXPECT_FALSE(backend.PressDpiButton(mouse + 1));
}

TEST_F(SimulatedBackendTest, SleepingMouseMakesOnlyTheReceiverAnswerFf) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    const int receiver = backend.Plug(mouse, Link::Receiver, kVid, kReceiverPid);
    auto cable = OpenProtocol(wired);
    auto dongle = OpenProtocol(receiver);
    backend.WithFirmware(mouse, [](FirmwareModel& m) {
        m.SetAsleep(true);
        m.SetBatteryLevel(55);
    });

    std::vector<std::uint8_t> buffer;
    dongle->Write(Frame(0x00));
    ASSERT_EQ(ReadInto(*dongle, buffer), 64);
    EXPECT_THAT(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 7),
                ElementsAre(0x55, 0xAA, 0x00, 0x1C, 0xFF, 0xFF, 0xFF));
    cable->Write(Frame(0x00));
    ASSERT_EQ(ReadInto(*cable, buffer), 64);
    EXPECT_EQ(buffer[5], 55);

    backend.WithFirmware(mouse, [](FirmwareModel& m) { m.SetAsleep(false); });
    dongle->Write(Frame(0x00));
    ReadInto(*dongle, buffer);
    EXPECT_EQ(buffer[5], 55);
}

TEST_F(SimulatedBackendTest, UnplugFailsOpenHandlesAndReplugBringsThePathsBack) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    const auto paths = backend.Paths(wired);
    auto device = OpenProtocol(wired);
    device->Write(Frame(0x00));
    ForgetEvents();

    ASSERT_TRUE(backend.Unplug(wired));
    EXPECT_FALSE(backend.Unplug(wired));
    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(ReadInto(*device, buffer), -1);  // the queued answer went with the device
    EXPECT_EQ(device->Write(Frame(0x00)), -1);
    EXPECT_THAT(backend.Enumerate(), IsEmpty());
    EXPECT_EQ(backend.Open(paths[2]), nullptr);
    auto events = Events();
    ASSERT_EQ(events.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i].kind, HotplugEvent::Kind::Removal);
        EXPECT_EQ(events[i].path, paths[i]);
    }

    ASSERT_TRUE(backend.Replug(wired));
    EXPECT_FALSE(backend.Replug(wired));
    EXPECT_EQ(backend.Enumerate().size(), 3u);
    events = Events();
    EXPECT_EQ(events.back().kind, HotplugEvent::Kind::Arrival);
    EXPECT_EQ(ReadInto(*device, buffer), -1);  // old handles stay dead
    auto again = OpenProtocol(wired);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Write(Frame(0x00)), 65);

    device.reset();
    again.reset();
    EXPECT_EQ(backend.OpenHandleCount(), 0);
}

TEST_F(SimulatedBackendTest, RestartReenumeratesTheCableButNotTheReceiver) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    const int receiver = backend.Plug(mouse, Link::Receiver, kVid, kReceiverPid);
    auto cable = OpenProtocol(wired);
    auto dongle = OpenProtocol(receiver);
    ForgetEvents();

    EXPECT_EQ(cable->Write(Frame(0x04)), 65);
    EXPECT_THAT(Events(), IsEmpty());
    EXPECT_EQ(cable->Write(Frame(0x03)), 65);
    const auto events = Events();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[2].kind, HotplugEvent::Kind::Removal);
    EXPECT_EQ(events[5].kind, HotplugEvent::Kind::Arrival);
    EXPECT_EQ(events[5].path, backend.ProtocolPath(wired));

    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(ReadInto(*cable, buffer), -1);
    EXPECT_EQ(ReadInto(*dongle, buffer), 0);
    EXPECT_EQ(backend.Enumerate().size(), 6u);
    EXPECT_EQ(backend.Firmware(mouse).FactoryResets(), 1);
}

TEST_F(SimulatedBackendTest, FaultsShapeTheAnswers) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    auto device = OpenProtocol(wired);
    std::vector<std::uint8_t> buffer;

    backend.SetFault(wired, {.fault = Fault::NoAnswer, .writes = 1});
    device->Write(Frame(0x00));
    EXPECT_EQ(ReadInto(*device, buffer), 0);
    EXPECT_EQ(backend.Firmware(mouse).ReceivedFrames().size(), 1u);  // the mouse got it
    device->Write(Frame(0x00));
    EXPECT_EQ(ReadInto(*device, buffer), 64);  // the fault cleared itself

    backend.SetFault(wired, {.fault = Fault::AnswerFfFf});
    for (int i = 0; i < 2; ++i) {
        device->Write(Frame(0x01));
        ASSERT_EQ(ReadInto(*device, buffer), 64);
        EXPECT_THAT(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 7),
                    ElementsAre(0x55, 0xAA, 0x01, 0x20, 0xFF, 0xFF, 0x00));
    }

    backend.SetFault(wired, {.fault = Fault::AnswerZeroZero, .writes = 1});
    backend.WithFirmware(mouse, [](FirmwareModel& m) { m.SetPower(true, true); });
    device->Write(Frame(0x00));
    ReadInto(*device, buffer);
    EXPECT_EQ(buffer[4], 0x00);
    EXPECT_EQ(buffer[5], 0x00);
    EXPECT_EQ(buffer[6], 0x01);

    backend.SetFault(wired, {.fault = Fault::MalformedHeader, .writes = 1});
    device->Write(Frame(0x00));
    ReadInto(*device, buffer);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0x55);

    backend.SetFault(wired, {.fault = Fault::ShortRead, .writes = 1, .short_length = 5});
    device->Write(Frame(0x00));
    EXPECT_EQ(ReadInto(*device, buffer), 5);
}

TEST_F(SimulatedBackendTest, LateAnswerShowsAfterTheGivenNumberOfEmptyReads) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    auto device = OpenProtocol(wired);
    backend.SetFault(wired, {.fault = Fault::LateAnswer, .writes = 1, .late_reads = 3});
    device->Write(Frame(0x00));
    std::vector<std::uint8_t> buffer;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ReadInto(*device, buffer), 0) << i;
    }
    EXPECT_EQ(ReadInto(*device, buffer), 64);
    EXPECT_EQ(buffer[3], 0x1C);
}

TEST_F(SimulatedBackendTest, UnplugAfterWriteLetsTheWriteThroughThenFails) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    auto device = OpenProtocol(wired);
    backend.SetFault(wired, {.fault = Fault::UnplugAfterWrite});
    ForgetEvents();
    EXPECT_EQ(device->Write(Frame(0x00)), 65);
    std::vector<std::uint8_t> buffer;
    EXPECT_EQ(ReadInto(*device, buffer), -1);
    EXPECT_EQ(Events().size(), 3u);
    EXPECT_EQ(backend.Firmware(mouse).ReceivedFrames().size(), 1u);
}

TEST_F(SimulatedBackendTest, StaleInputIsReadBeforeTheAnswer) {
    const int short_form = backend.Plug(mouse, Link::ShortForm, kVid, kPid);
    auto device = OpenProtocol(short_form);
    std::vector<std::uint8_t> stale(64, 0);
    stale[0] = 0x55;
    stale[1] = 0xAA;
    stale[3] = 0x1C;
    stale[5] = 9;
    ASSERT_TRUE(backend.InjectInput(short_form, stale));
    auto frame = Frame(0x00);
    frame[0] = 0x06;
    frame.resize(49);
    device->Write(frame);

    std::vector<std::uint8_t> buffer;
    ASSERT_EQ(ReadInto(*device, buffer), 49);
    EXPECT_EQ(buffer[6], 9);
    ASSERT_EQ(ReadInto(*device, buffer), 49);
    EXPECT_EQ(buffer[6], 80);
    EXPECT_FALSE(backend.InjectInput(short_form + 1, stale));

    // Left-over input can also slip in between the host's drain and its write.
    backend.SetFault(short_form, {.fault = Fault::StaleInput, .writes = 1});
    device->Write(frame);
    ASSERT_EQ(ReadInto(*device, buffer), 49);
    EXPECT_EQ(buffer[3], 0x01);
    ReadInto(*device, buffer);
    EXPECT_EQ(buffer[3], 0x00);
    frame[3] = 0x01;
    backend.SetFault(short_form, {.fault = Fault::StaleInput, .writes = 1});
    device->Write(frame);
    ReadInto(*device, buffer);
    EXPECT_EQ(buffer[3], 0x00);
}

TEST_F(SimulatedBackendTest, TrafficIsRecordedByteForByte) {
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    const std::string path = backend.ProtocolPath(wired);
    backend.Open("no such path");
    auto device = backend.Open(path);
    const auto frame = Frame(0x00);
    device->Write(frame);
    std::vector<std::uint8_t> buffer;
    ReadInto(*device, buffer, 100);
    ReadInto(*device, buffer, 1);
    device.reset();

    const auto traffic = backend.Traffic();
    ASSERT_EQ(traffic.size(), 6u);
    EXPECT_EQ(traffic[0].op, TrafficEntry::Op::Open);
    EXPECT_EQ(traffic[0].result, -1);
    EXPECT_EQ(traffic[1].path, path);
    EXPECT_GT(traffic[1].result, 0);
    EXPECT_EQ(traffic[2].op, TrafficEntry::Op::Write);
    EXPECT_EQ(traffic[2].data, frame);
    EXPECT_EQ(traffic[3].op, TrafficEntry::Op::Read);
    EXPECT_EQ(traffic[3].result, 64);
    EXPECT_EQ(traffic[3].data.size(), 64u);
    EXPECT_EQ(traffic[3].timeout_ms, 100);
    EXPECT_EQ(traffic[4].result, 0);
    EXPECT_EQ(traffic[4].timeout_ms, 1);
    EXPECT_EQ(traffic[5].op, TrafficEntry::Op::Close);
    backend.ClearTraffic();
    EXPECT_THAT(backend.Traffic(), IsEmpty());
}

TEST_F(SimulatedBackendTest, ListenerMayCallBackIntoTheBackend) {
    // An arrival handler checks the interface by opening it, as the device discovery does.
    std::vector<bool> opened;
    int self = 0;
    self = backend.AddHotplugListener([&](const HotplugEvent& e) {
        opened.push_back(backend.Open(e.path) != nullptr);
        backend.RemoveHotplugListener(self);
    });
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    backend.FlushHotplugEvents();
    backend.Unplug(wired);
    EXPECT_THAT(Events(), testing::SizeIs(6));
    EXPECT_THAT(opened, ElementsAre(true));  // removed after its first call
}

TEST(SimulatedBackendWaitTest, WaitingReadWakesForLateInputAndForRemoval) {
    SimulatedBackend backend;  // real time scale: the reads below would wait for minutes
    const int mouse = backend.AddMouse();
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    auto device = backend.Open(backend.ProtocolPath(wired));

    std::thread feeder([&] { backend.PressDpiButton(mouse); });
    std::vector<std::uint8_t> buffer(65);
    EXPECT_EQ(device->Read(buffer, 600000), 64);
    feeder.join();

    std::thread remover([&] { backend.Unplug(wired); });
    EXPECT_EQ(device->Read(buffer, -1), -1);
    remover.join();
}

TEST(SimulatedBackendWaitTest, HandleOutlivingTheBackendFails) {
    std::unique_ptr<HidDevice> device;
    {
        SimulatedBackend backend;
        const int mouse = backend.AddMouse();
        device = backend.Open(backend.ProtocolPath(backend.Plug(mouse, Link::Wired, kVid, kPid)));
    }
    std::vector<std::uint8_t> buffer(65);
    EXPECT_EQ(device->Read(buffer, -1), -1);
    EXPECT_EQ(device->Write(Frame(0x00)), -1);
}

TEST(SimulatedBackendWaitTest, ConcurrentTrafficAndPlugging) {
    std::atomic<int> arrivals = 0;
    SimulatedBackend backend(BackendOptions{.time_scale = 0.01, .record_traffic = false});
    const int mouse = backend.AddMouse();
    const int wired = backend.Plug(mouse, Link::Wired, kVid, kPid);
    const int receiver = backend.Plug(mouse, Link::Receiver, kVid, kReceiverPid);
    backend.AddHotplugListener([&](const HotplugEvent& e) {
        if (e.kind == HotplugEvent::Kind::Arrival) {
            ++arrivals;
        }
    });

    std::atomic<bool> stop = false;
    std::atomic<int> answers = 0;
    std::thread worker([&] {
        std::vector<std::uint8_t> buffer(65);
        while (!stop) {
            for (const auto& info : backend.Enumerate()) {
                auto device = backend.Open(info.path);
                if (device && device->Write(Frame(0x00)) > 0 && device->Read(buffer, 5) > 0) {
                    ++answers;
                }
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        backend.Unplug(i % 2 ? wired : receiver);
        backend.PressDpiButton(mouse);
        backend.WithFirmware(mouse, [i](FirmwareModel& m) { m.SetAsleep(i % 3 == 0); });
        backend.SetFault(wired, {.fault = i % 4 ? Fault::None : Fault::LateAnswer});
        backend.Replug(i % 2 ? wired : receiver);
        std::this_thread::yield();
    }
    while (answers < 10) {
        std::this_thread::yield();
    }
    stop = true;
    worker.join();
    backend.FlushHotplugEvents();
    EXPECT_EQ(arrivals, 200 * 3);
    EXPECT_EQ(backend.OpenHandleCount(), 0);
}

TEST(DemoBackendTest, OneMouseOnCableAndReceiver) {
    DemoSetup demo = MakeDemoBackend({.wired_vendor_id = 0x3151,
                                      .wired_product_id = 0x5007,
                                      .receiver_vendor_id = 0x3151,
                                      .receiver_product_id = 0x5008},
                                     {.time_scale = 0});
    const auto all = demo.backend->Enumerate();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_THAT(demo.backend->ProtocolPath(demo.wired), HasSubstr("VID_3151&PID_5007&MI_02"));
    EXPECT_THAT(demo.backend->ProtocolPath(demo.receiver), HasSubstr("VID_3151&PID_5008&MI_02"));

    auto receiver = demo.backend->Open(demo.backend->ProtocolPath(demo.receiver));
    receiver->Write(Frame(0x00));
    std::vector<std::uint8_t> buffer(65);
    ASSERT_EQ(receiver->Read(buffer, 100), 64);
    EXPECT_EQ(buffer[4], 0x80);
    EXPECT_EQ(buffer[5], 76);
    EXPECT_THAT(demo.backend->Traffic(), IsEmpty());
}

}  // namespace
}  // namespace veltra::sim
