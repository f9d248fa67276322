#pragma once

// In-process HID backend whose devices are simulated mice. Every plugged device presents its
// interfaces the way the operating system would (paths, usages, report lengths), routes writes
// to the mouse's firmware model and queues its answers per open handle. Tests plug, unplug,
// press mouse buttons and inject faults from any thread while another thread does the I/O.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/hid_port.h"
#include "sim/firmware_model.h"

namespace veltra::sim {

// How a device reaches the host.
enum class Link {
    Wired,      // cable: usage page 0x00C0/0x0001, 65-byte reports without report id
    ShortForm,  // cable with 49-byte reports under report id 6
    Bluetooth,  // usage page 0xFF00/0x000E, 65-byte reports
    Receiver,   // 2.4 GHz receiver: like Wired, but the mouse behind it may sleep
};

enum class Fault {
    None,
    NoAnswer,          // the write is taken, its answer never comes
    AnswerFfFf,        // answers carry 0xFF 0xFF in payload bytes 4-5
    AnswerZeroZero,    // answers carry 0x00 0x00 in payload bytes 4-5
    LateAnswer,        // answers show only after `late_reads` reads came back empty
    UnplugAfterWrite,  // the device is removed right after the write reached the mouse
    ShortRead,         // answers are cut to `short_length` bytes
    MalformedHeader,   // answers start 0xAA 0x55 instead of 0x55 0xAA
    StaleInput,        // an answer to the other read command comes first, as if left over
};

struct FaultPlan {
    Fault fault = Fault::None;
    // Number of writes the fault applies to before it clears itself; negative: until replaced.
    int writes = -1;
    int late_reads = 3;
    int short_length = 8;
};

struct PlugOptions {
    std::uint16_t release_number = 0x0100;
    // The pointer and keyboard collections a composite mouse shows beside its protocol interface.
    bool companion_interfaces = true;
    // A restart (command 0x03) re-enumerates a cable or Bluetooth device; receivers stay.
    bool replug_on_restart = true;
};

struct BackendOptions {
    // Reads wait timeout_ms × time_scale real milliseconds for input; 0 never waits. A negative
    // time-out waits until input comes or the device goes, whatever the scale.
    double time_scale = 1.0;
    bool record_traffic = true;
};

struct HotplugEvent {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    std::string path;
};

// Called on the backend's own hot-plug thread, one event at a time in the order they happened.
using HotplugListener = std::function<void(const HotplugEvent&)>;

struct TrafficEntry {
    enum class Op { Open, Write, Read, Close };
    Op op = Op::Open;
    std::string path;
    // Bytes written, or bytes a read returned.
    std::vector<std::uint8_t> data;
    // The operation's return value (handle number for Open, -1 on failure).
    int result = 0;
    int timeout_ms = 0;
};

struct SimulatedState;

class SimulatedBackend : public HidBackend {
  public:
    explicit SimulatedBackend(BackendOptions options = {});
    ~SimulatedBackend() override;
    SimulatedBackend(const SimulatedBackend&) = delete;
    SimulatedBackend& operator=(const SimulatedBackend&) = delete;

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

    // A mouse exists apart from the links it is reachable through; returns its id.
    int AddMouse(FirmwareOptions options = {});
    // Plugs a device (cable, receiver, Bluetooth pairing) leading to `mouse`; returns the device
    // id, or -1 for an unknown mouse. Fires an arrival per interface.
    int Plug(int mouse, Link link, std::uint16_t vendor_id, std::uint16_t product_id,
             PlugOptions options = {});
    // Removes a device: its interfaces leave the enumeration and open handles fail from now on.
    bool Unplug(int device);
    // Plugs a removed device again under the same paths.
    bool Replug(int device);
    std::vector<std::string> Paths(int device) const;
    // The path of the interface that carries the protocol.
    std::string ProtocolPath(int device) const;

    // Runs `action` on the mouse's firmware under the backend's lock; it must not call back.
    void WithFirmware(int mouse, const std::function<void(FirmwareModel&)>& action);
    FirmwareModel Firmware(int mouse) const;

    // The mouse's own buttons: the notification goes to every open protocol handle of the mouse.
    bool PressDpiButton(int mouse);
    bool ChangeReportRate(int mouse, int code);
    // Queues an input report on every open protocol handle of the device, as stale or unsolicited
    // input would arrive.
    bool InjectInput(int device, std::span<const std::uint8_t> payload);
    void SetFault(int device, FaultPlan plan);

    int AddHotplugListener(HotplugListener listener);
    // Returns once no call of that listener runs any more (unless called from inside one).
    void RemoveHotplugListener(int id);
    // Waits until every event raised so far has reached the listeners.
    void FlushHotplugEvents();

    std::vector<TrafficEntry> Traffic() const;
    void ClearTraffic();
    int OpenHandleCount() const;

  private:
    std::shared_ptr<SimulatedState> state_;
};

struct DemoDeviceIds {
    std::uint16_t wired_vendor_id = 0;
    std::uint16_t wired_product_id = 0;
    std::uint16_t receiver_vendor_id = 0;
    std::uint16_t receiver_product_id = 0;
};

struct DemoSetup {
    std::unique_ptr<SimulatedBackend> backend;
    int mouse = -1;
    int wired = -1;
    int receiver = -1;
};

// One mouse on its cable and, at the same time, reachable through its receiver. The traffic
// and frame logs are off: a demo runs for hours.
DemoSetup MakeDemoBackend(const DemoDeviceIds& ids, BackendOptions options = {});

}  // namespace veltra::sim
