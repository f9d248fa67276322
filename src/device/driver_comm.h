#pragma once

// DriverComm: the process-wide link to the supported mice. It keeps the catalogue of supported
// vendor/product pairs, opens every supported interface during a scan, selects the interface
// that traffic goes to, and runs the two kinds of traffic: a command exchange (write one frame,
// read until the matching answer) and a plain input read.
//
// Threads: the worker thread does all I/O; the UI thread queries modes and changes the device
// type. Two locks keep them apart without making the UI wait for the mouse:
//  - the I/O lock serialises exchanges, reads and scans, and is held by an exchange from its
//    write to its last read, so no other read can take the answer it waits for and no scan can
//    close its handle under it;
//  - the state lock guards the record list, catalogue, current device type and cached
//    selection; it is only held for short, I/O-free moments, and a scan publishes its records
//    in one step, so a query never sees a scan half-way.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/frame.h"
#include "device/hid_port.h"

namespace veltra {

enum class ConnectionMode : int { NotConnected = -1, Wired = 0, Bluetooth = 1, Receiver = 2 };

// What became of one command exchange. The mouse answers only the read commands 0x00 and 0x01;
// a waited write command that went out always ends NotAnswered, because its read attempts only
// pace the traffic. So NotAnswered after a write is the normal outcome, not a fault.
enum class ExchangeResult {
    Answered,     // written, and the matching answer arrived
    Sent,         // written; no answer was waited for
    NotAnswered,  // written, but no matching answer came within the read attempts
    WriteFailed,  // the interface refused the write (unplugged, bridge peer gone)
    NoDevice,     // no interface of the current device type: nothing was written
    Cancelled,    // cancelled before the write: nothing was written
};

// True when the frame went out to the interface, whether or not anything answered.
constexpr bool WasSent(ExchangeResult result) {
    return result == ExchangeResult::Answered || result == ExchangeResult::Sent ||
           result == ExchangeResult::NotAnswered;
}

// One catalogue entry: a vendor/product pair of a device type in one connection mode.
struct SupportedDevice {
    int vendor_id = 0;
    int product_id = 0;
    int device_type = 0;
    ConnectionMode mode = ConnectionMode::Wired;
    std::string device_id;
};

// A snapshot of one opened supported interface.
struct DeviceRecord {
    int index = 0;
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    // Always empty; an empty name lets vendor and product id alone decide the device type.
    std::string name;
    std::string path;
    int release_number = 0;
    int device_type = 0;
    ConnectionMode mode = ConnectionMode::Wired;
    // 1 when the mouse behind the interface answers; only receiver interfaces can be 0.
    int online = 1;
    int output_report_length = 0;
};

class DriverComm {
  public:
    // Sleeps for the given time unless cancelled first; replaceable so tests and benchmarks
    // count pauses instead of taking them.
    using Sleeper = std::function<void(std::chrono::milliseconds)>;

    static constexpr int kShortFormLength = 49;
    static constexpr std::uint8_t kShortFormReportId = 0x06;
    static constexpr int kExchangeAttempts = 20;
    static constexpr int kProbeReads = 30;

    explicit DriverComm(std::unique_ptr<HidBackend> backend);
    ~DriverComm();
    DriverComm(const DriverComm&) = delete;
    DriverComm& operator=(const DriverComm&) = delete;

    // The process-wide object. It sees no interfaces until the front end gives it the backend
    // its composition root chose (frontend/device_link.h).
    static DriverComm& Instance();

    // Closes every interface and continues over `backend` (demo mode, tests).
    void SetBackend(std::unique_ptr<HidBackend> backend);
    void SetSleeper(Sleeper sleeper);

    // Cancellation: pending and later sleeps end at once and exchanges, probes and reads stop
    // before their next attempt, until ResetCancel.
    void RequestCancel();
    void ResetCancel();
    bool CancelRequested() const;

    // Catalogue.
    void AddDevice(int vendor_id, int product_id, const std::string& device_id, int device_type,
                   ConnectionMode mode);
    void ClearCatalogue();
    bool IsSupported(int vendor_id, int product_id) const;
    int LookupDeviceType(int vendor_id, int product_id, const std::string& name) const;
    ConnectionMode LookupMode(int vendor_id, int product_id) const;
    // The catalogue entries in the order they were added.
    std::vector<SupportedDevice> CatalogueEntries() const;

    // Current device type; setting it forgets the cached selection.
    void SetCurrentDeviceType(int device_type);
    int CurrentDeviceType() const;

    // Scan and teardown. A rescan is CloseAll, EnumerateDevice, SetCurrentDeviceType.
    void EnumerateDevice();
    void CloseAll();
    bool IsEnumerated() const;

    // The interface traffic goes to: wired before Bluetooth before receiver, in list order.
    std::optional<DeviceRecord> SelectDevice();
    ConnectionMode GetConnectionMode() const;
    ConnectionMode GetAttachedMode() const;

    // Copies the records of the current device type (all records when it is 0) into `out`.
    // False when there are no records at all.
    bool CollectRecords(std::vector<DeviceRecord>& out) const;
    // The records of every device type, whatever the current one.
    std::vector<DeviceRecord> AllRecords() const;

    // One command exchange. `frame` holds the request on entry and the last answer read on
    // return. Answered only when a matching answer to command 0x00 or 0x01 arrived.
    ExchangeResult SetDeviceData(Frame& frame, bool wait);

    // Reads one input report into `buffer`; `device_type` receives the current device type.
    bool ReadInput(Frame& buffer, int& device_type);

    // Opens the interface by path and checks its top-level usage (the mouse collection or the
    // Bluetooth vendor collection), then closes it. Runs beside exchanges without waiting for them.
    bool CheckInterface(const std::string& path);

    // Asks a receiver interface whether its mouse answers.
    bool ProbeReceiver(HidDevice& device);

    // The one pause of all device work (exchanges, protocol and worker sleeps), so that a single
    // cancellation ends them all. False when cancelled.
    bool Sleep(std::chrono::milliseconds duration);

  private:
    struct Entry {
        DeviceRecord record;
        std::unique_ptr<HidDevice> handle;
    };
    struct Selection {
        HidDevice* handle = nullptr;
        int record_index = 0;
        ConnectionMode mode = ConnectionMode::NotConnected;
    };

    std::optional<Selection> SelectLocked();
    ConnectionMode ModeLocked(bool online_only) const;
    void CloseAllLocked();
    ExchangeResult ExchangeShortForm(HidDevice& device, Frame& frame, bool wait);
    ExchangeResult ExchangeStandardForm(HidDevice& device, Frame& frame, bool wait);
    int WriteReport(HidDevice& device, std::span<const std::uint8_t> data);
    int ReadReport(HidDevice& device, std::span<std::uint8_t> buffer, int timeout_ms);

    // Held by every operation that does I/O or replaces handles; taken before state_mutex_.
    mutable std::recursive_mutex io_mutex_;
    Sleeper sleeper_;

    mutable std::mutex state_mutex_;
    // Replaced under both locks; CheckInterface holds its own reference.
    std::shared_ptr<HidBackend> backend_;
    bool enumerated_ = false;
    std::vector<std::unique_ptr<Entry>> records_;
    std::vector<SupportedDevice> catalogue_;
    int current_device_type_ = 0;
    std::optional<Selection> selection_;

    std::atomic<bool> cancelled_{false};
    mutable std::mutex cancel_mutex_;
    std::condition_variable cancel_cv_;
};

// True for a payload that answers the request's read command: the command echo, the data
// length of that command and meaningful data (bytes 4-5 neither 0xFF 0xFF nor, for the status,
// 0x00 0x00; a config answer with a DPI enable mask).
bool IsMatchingAnswer(std::span<const std::uint8_t> answer_payload, std::uint8_t request_command);

}  // namespace veltra
