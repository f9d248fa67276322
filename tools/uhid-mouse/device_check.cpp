// device-check: the application's own device link (HidapiBackend, DriverComm) against a
// uhid-mouse on the real kernel HID stack. Every output report the link writes is compared byte
// for byte with what the mouse logged as received (uhid-mouse --frames-out). Used inside the
// kernel test guest.

#include <signal.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/text.h"
#include "device/command_protocol.h"
#include "device/device_protocol.h"
#include "device/device_state.h"
#include "device/driver_comm.h"
#include "device/forwarding_backend.h"
#include "device/hid_port.h"
#include "device/hotplug.h"
#include "platform/linux/hidapi_backend.h"
#include "platform/linux/udev_hotplug.h"
#include "store/profile_list.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace {

using namespace veltra;
using Bytes = std::vector<std::uint8_t>;

// Enumeration and the mouse's log are asynchronous; each wait polls this many times.
constexpr int kPolls = 100;
constexpr useconds_t kPollPauseUs = 50'000;
// A type whose settings write carries the config length the simulated firmware answers with.
constexpr int kDeviceType = 101;
constexpr std::uint8_t kModelBattery = 80;
// The simulated firmware's factory config: level 1 active, level 2 at 1600 DPI, and sensor
// tuning bytes (payload byte n holds n from 36 on) the host must carry over unchanged.
constexpr int kFactoryLevel = 1;
constexpr int kFactoryLevel2Dpi = 1600;
constexpr std::size_t kTuningFrom = 36;
// What the check stores and writes.
constexpr int kNewLevel = 3;
constexpr int kNewLevel2Dpi = 2400;

struct Options {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::uint16_t usage_page = 0;
    std::uint16_t usage = 0;
    int output_length = 0;
    ConnectionMode mode = ConnectionMode::Wired;
    std::string frames;
    // The protocol procedures over a temporary profile store.
    bool procedures = false;
    // The uhid-mouse to unplug and plug again (SIGUSR2), watched by the hot-plug source.
    pid_t replug_pid = 0;
};

int failures = 0;

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

bool Check(bool ok, const std::string& what) {
    std::printf("device-check: %s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) {
        ++failures;
    }
    return ok;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += Format("%02x", b);
    }
    return text;
}

// Every output report the link writes, in order.
class TapDevice : public ForwardingDevice {
  public:
    TapDevice(std::unique_ptr<HidDevice> inner, std::vector<Bytes>& writes)
        : ForwardingDevice(std::move(inner)), writes_(writes) {}

  protected:
    void Written(std::span<const std::uint8_t> data, int /*result*/) override {
        writes_.emplace_back(data.begin(), data.end());
    }

  private:
    std::vector<Bytes>& writes_;
};

class TapBackend : public ForwardingBackend {
  public:
    TapBackend(std::unique_ptr<HidBackend> inner, std::vector<Bytes>& writes)
        : ForwardingBackend(std::move(inner)), writes_(writes) {}

  protected:
    std::unique_ptr<HidDevice> Opened(const std::string& /*path*/,
                                      std::unique_ptr<HidDevice> device) override {
        return device ? std::make_unique<TapDevice>(std::move(device), writes_) : nullptr;
    }

  private:
    std::vector<Bytes>& writes_;
};

std::vector<std::string> ReadLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The mouse's log from line `first` on, once it holds at least `count` lines past it.
std::vector<std::string> AwaitFrames(const std::string& file, std::size_t first,
                                     std::size_t count) {
    std::vector<std::string> lines;
    for (int poll = 0; poll < kPolls; ++poll) {
        lines = ReadLines(file);
        if (lines.size() >= first + count) {
            break;
        }
        usleep(kPollPauseUs);
    }
    if (lines.size() <= first) {
        return {};
    }
    return {lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end()};
}

// Checks that the mouse received exactly the payloads of the writes from `first_write` on, and
// advances both positions past them.
void CheckDelivered(const Options& o, const std::vector<Bytes>& writes, std::size_t& first_write,
                    std::size_t& first_line, const char* what) {
    const std::size_t count = writes.size() - first_write;
    const auto received = AwaitFrames(o.frames, first_line, count);
    bool same = received.size() == count;
    for (std::size_t i = 0; same && i < count; ++i) {
        const Bytes& w = writes[first_write + i];
        // The report id byte is the kernel's; the mouse sees what follows it.
        const std::string sent = w.empty() ? "" : Hex(std::span(w).subspan(1));
        if (received[i] != sent) {
            std::printf("device-check: sent     %s\ndevice-check: received %s\n", sent.c_str(),
                        received[i].c_str());
            same = false;
        }
    }
    Check(same, Format("%s: the mouse received %zu of %zu payloads byte for byte", what,
                       received.size(), count));
    first_write = writes.size();
    first_line += received.size();
}

std::optional<HidInterfaceInfo> FindInterface(HidapiBackend& backend, const Options& o) {
    for (int poll = 0; poll < kPolls; ++poll) {
        for (const HidInterfaceInfo& info : backend.Enumerate()) {
            if (info.vendor_id == o.vid && info.product_id == o.pid) {
                return info;
            }
        }
        usleep(kPollPauseUs);
    }
    return std::nullopt;
}

void CheckEnumeration(const Options& o) {
    HidapiBackend backend;
    const auto info = FindInterface(backend, o);
    if (!Check(info.has_value(), "HidapiBackend enumerates the interface")) {
        return;
    }
    Check(info->usage_page == o.usage_page && info->usage == o.usage,
          Format("usage %04x:%04x", info->usage_page, info->usage));
    Check(info->output_report_length == o.output_length,
          Format("output report length %d from the report descriptor", info->output_report_length));
    const auto device = backend.Open(info->path);
    Check(device && device->OutputReportLength() == o.output_length,
          "the opened handle keeps the output report length");
}

// The answer lands in `frame` from byte 0, without a report id byte.
bool ReadBlock(DriverComm& comm, Command command, Frame& frame) {
    frame = BuildCommandFrame(command);
    return comm.SetDeviceData(frame, true) == ExchangeResult::Answered;
}

std::string StoredValue(ProfileStore& store, int profile, std::string_view key) {
    std::string value;
    store.GetConfig(profile, key, value);
    return value;
}

// The protocol procedures over the real stack: the mouse is read into a fresh store, a changed
// setting is written back, and the settings frame is checked as the mouse received it.
void CheckProtocol(const Options& o, DriverComm& comm, const std::vector<Bytes>& writes,
                   std::size_t& write_pos, std::size_t& line_pos) {
    char pattern[] = "/tmp/device-check-XXXXXX";
    if (!Check(mkdtemp(pattern) != nullptr, "temporary store folder")) {
        return;
    }
    const std::filesystem::path folder = pattern;
    std::filesystem::create_directories(folder / "db");
    ProfileStore store;
    DeviceState state;
    Check(store.SwitchDeviceModel(folder, "device_check", kDeviceType), "profile store opened");
    state.active_profile = LoadProfileList(store, "Profile").active_profile;
    state.current_device_type = kDeviceType;
    DeviceProtocol protocol(comm, store, state);

    const int profile = state.active_profile;
    Check(protocol.ReadDeviceData() &&
              StoredValue(store, profile, config_key::kDpiIndex) == std::to_string(kFactoryLevel) &&
              StoredValue(store, profile, DpiGroupValueKey(2)) == std::to_string(kFactoryLevel2Dpi),
          "ReadDeviceData stored the mouse's active level and DPI values");
    CheckDelivered(o, writes, write_pos, line_pos, "ReadDeviceData");

    store.SetConfig(profile, config_key::kDpiIndex, std::to_string(kNewLevel));
    store.SetConfig(profile, DpiGroupValueKey(2), std::to_string(kNewLevel2Dpi));
    if (Check(WasSent(protocol.WriteConfig()) && writes.size() == write_pos + 1,
              "WriteConfig wrote one report")) {
        // Payload byte n is report byte n + 1.
        const Bytes& w = writes.back();
        bool tuning_kept = true;
        for (std::size_t n = kTuningFrom; n + 1 < w.size() && n < 63; ++n) {
            tuning_kept = tuning_kept && w[n + 1] == n;
        }
        Check(w.size() > 31 && w[3] == 0x02 && w[4] == ConfigLengthByte(kDeviceType) &&
                  (w[5] >> 5) == kNewLevel && w[31] == DpiToByte(2, kNewLevel2Dpi) && tuning_kept,
              "the settings frame carries the stored values and the mouse's tuning bytes");
    }
    CheckDelivered(o, writes, write_pos, line_pos, "WriteConfig");

    Frame config{};
    Check(ReadBlock(comm, Command::ReadConfig, config) && (config[4] >> 5) == kNewLevel &&
              config[30] == DpiToByte(2, kNewLevel2Dpi),
          "the mouse answers with the written settings");
    CheckDelivered(o, writes, write_pos, line_pos, "config read after the write");
    store.Close();
    std::filesystem::remove_all(folder);
}

// The mouse is unplugged and plugged again; the hot-plug source reports both, and a rescan
// finds the mouse answering again.
void CheckReplug(const Options& o, DriverComm& comm) {
    HotplugQueue queue;
    UdevHotplugSource source;
    if (!Check(source.Start(queue.Sink()), "hot-plug source started")) {
        return;
    }
    Check(kill(o.replug_pid, SIGUSR2) == 0, "unplug requested");
    const std::string identity = Format("VID_%04X&PID_%04X", o.vid, o.pid);
    bool removed = false;
    std::string arrived_node;
    for (int poll = 0; poll < kPolls && arrived_node.empty(); ++poll) {
        if (!queue.WaitFor(std::chrono::milliseconds(kPollPauseUs / 1000))) {
            continue;
        }
        for (const HotplugEvent& e : queue.TakeAll()) {
            const bool arrival = e.kind == HotplugEvent::Kind::Arrival;
            std::printf("device-check: hot-plug %s %s %s\n", arrival ? "arrival" : "removal",
                        e.path.c_str(), e.node.c_str());
            if (e.path.find(identity) == std::string::npos) {
                continue;
            }
            if (!arrival) {
                removed = true;
            } else if (removed) {
                arrived_node = e.node.empty() ? e.path : e.node;
            }
        }
    }
    source.Stop();
    Check(removed, "the hot-plug source reported the removal");
    Check(arrived_node.starts_with("/dev/hidraw"),
          "the hot-plug source reported the arrival with its hidraw node");

    comm.CloseAll();
    comm.EnumerateDevice();
    comm.SetCurrentDeviceType(kDeviceType);
    Frame status{};
    Check(ReadBlock(comm, Command::ReadStatus, status) && status[5] == kModelBattery,
          "after a rescan the plugged-in mouse answers the status exchange");
}

int Run(const Options& o) {
    const std::size_t first_line = ReadLines(o.frames).size();
    CheckEnumeration(o);

    std::vector<Bytes> writes;
    DriverComm comm(std::make_unique<TapBackend>(std::make_unique<HidapiBackend>(), writes));
    comm.AddDevice(o.vid, o.pid, "device-check", kDeviceType, o.mode);
    comm.EnumerateDevice();
    comm.SetCurrentDeviceType(kDeviceType);
    Check(comm.GetConnectionMode() == o.mode,
          Format("DriverComm finds the mouse in connection mode %d",
                 static_cast<int>(comm.GetConnectionMode())));
    const auto record = comm.SelectDevice();
    Check(record && record->output_report_length == o.output_length,
          "the selected record carries the output report length");

    Frame status{};
    const bool status_read = ReadBlock(comm, Command::ReadStatus, status);
    if (!Check(status_read && status[3] == 0x1C && status[5] == kModelBattery,
               "status exchange (SetDeviceData, waited) answered with the battery level")) {
        std::printf("device-check: %s, answer %s\n", status_read ? "matched" : "unmatched",
                    Hex(status).c_str());
    }
    Frame config{};
    Check(ReadBlock(comm, Command::ReadConfig, config) && config[3] == 0x20 && config[23] != 0,
          "config exchange answered with a DPI enable mask");
    std::size_t write_pos = 0;
    std::size_t line_pos = first_line;
    CheckDelivered(o, writes, write_pos, line_pos, "status and config reads");

    if (o.procedures) {
        const auto start = std::chrono::steady_clock::now();
        CheckProtocol(o, comm, writes, write_pos, line_pos);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        std::printf("device-check: protocol procedures took %lld ms\n",
                    static_cast<long long>(took.count()));
    }

    if (o.replug_pid != 0) {
        CheckReplug(o, comm);
        CheckDelivered(o, writes, write_pos, line_pos, "status read after plugging in again");
    }

    std::printf("device-check: %s\n", failures == 0 ? "passed" : "FAILED");
    return failures == 0 ? 0 : 1;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    if (argc % 2 == 0) {
        return std::nullopt;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view flag = argv[i];
        const std::string_view value = argv[i + 1];
        if (flag == "--mode") {
            if (value == "wired") {
                o.mode = ConnectionMode::Wired;
            } else if (value == "bluetooth") {
                o.mode = ConnectionMode::Bluetooth;
            } else if (value == "receiver") {
                o.mode = ConnectionMode::Receiver;
            } else {
                return std::nullopt;
            }
            continue;
        }
        if (flag == "--frames") {
            o.frames = value;
            continue;
        }
        if (flag == "--procedures") {
            if (value != "yes" && value != "no") {
                return std::nullopt;
            }
            o.procedures = value == "yes";
            continue;
        }
        if (flag == "--replug-pid") {
            const auto pid = ParseInteger<pid_t>(value);
            if (!pid || *pid <= 0) {
                return std::nullopt;
            }
            o.replug_pid = *pid;
            continue;
        }
        const auto n = ParseInteger<std::uint16_t>(value, 0);
        if (!n) {
            return std::nullopt;
        }
        if (flag == "--vid") {
            o.vid = *n;
        } else if (flag == "--pid") {
            o.pid = *n;
        } else if (flag == "--usage-page") {
            o.usage_page = *n;
        } else if (flag == "--usage") {
            o.usage = *n;
        } else if (flag == "--output-length") {
            o.output_length = *n;
        } else {
            return std::nullopt;
        }
    }
    if (o.vid == 0 || o.pid == 0 || o.output_length == 0 || o.frames.empty()) {
        return std::nullopt;
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(
            "usage: device-check --vid HEX --pid HEX --usage-page HEX --usage HEX\n"
            "                    --output-length N --mode wired|bluetooth|receiver\n"
            "                    --frames MOUSE-FRAME-LOG [--procedures yes|no]\n"
            "                    [--replug-pid UHID-MOUSE-PID]\n",
            stderr);
        return 2;
    }
    return Run(*options);
}
