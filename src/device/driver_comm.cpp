#include "device/driver_comm.h"

#include <algorithm>
#include <cstdio>

#include "common/log.h"

namespace veltra {
namespace {

constexpr std::uint16_t kMouseUsagePage = 0x00C0;
constexpr std::uint16_t kMouseUsage = 0x0001;
constexpr std::uint16_t kBluetoothUsagePage = 0xFF00;
constexpr std::uint16_t kBluetoothUsage = 0x000E;

constexpr int kReadTimeoutMs = 100;
constexpr int kDrainTimeoutMs = 1;
constexpr int kScanReadTimeoutMs = 10;
constexpr int kScanReadLength = 33;
constexpr auto kAttemptPause = std::chrono::milliseconds(10);
constexpr auto kProbePause = std::chrono::milliseconds(100);

constexpr std::uint8_t kCommandStatus = 0x00;
constexpr std::uint8_t kCommandConfig = 0x01;
constexpr std::uint8_t kStatusLength = 0x1C;

std::string Format(const char* format, auto... args) {
    char line[160];
    std::snprintf(line, sizeof line, format, args...);
    return line;
}

bool IsShortForm(const HidDevice& device) {
    return device.OutputReportLength() == DriverComm::kShortFormLength;
}

// Input reports as the caller sees them: the short form's report id dropped, 50 bytes kept.
void CopyInput(const Frame& read, Frame& out, bool short_form) {
    if (short_form) {
        std::copy(read.begin() + 1, read.begin() + 51, out.begin());
    } else {
        out = read;
    }
}

}  // namespace

bool IsMatchingAnswer(std::span<const std::uint8_t> payload, std::uint8_t request_command) {
    if (payload.size() < 24) {
        return false;
    }
    if (payload[4] == 0xFF && payload[5] == 0xFF) {
        return false;
    }
    if (payload[2] == kCommandStatus && request_command == kCommandStatus) {
        return payload[3] == kStatusLength && !(payload[4] == 0x00 && payload[5] == 0x00);
    }
    if (payload[2] == kCommandConfig && request_command == kCommandConfig) {
        return (payload[3] == 0x20 || payload[3] == 0x21) && payload[23] != 0;
    }
    return false;
}

DriverComm::DriverComm(std::unique_ptr<HidBackend> backend) : backend_(std::move(backend)) {}

DriverComm::~DriverComm() {
    RequestCancel();
    const std::lock_guard io(io_mutex_);
    CloseAllLocked();
    const std::lock_guard state(state_mutex_);
    catalogue_.clear();
}

namespace {

// What the process-wide object talks to until a front end sets its backend: no interfaces.
class NoHidBackend : public HidBackend {
  public:
    std::vector<HidInterfaceInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidDevice> Open(const std::string&) override { return nullptr; }
};

}  // namespace

DriverComm& DriverComm::Instance() {
    static DriverComm instance(std::make_unique<NoHidBackend>());
    return instance;
}

void DriverComm::SetBackend(std::unique_ptr<HidBackend> backend) {
    const std::lock_guard io(io_mutex_);
    CloseAllLocked();
    std::shared_ptr<HidBackend> replaced;
    const std::lock_guard state(state_mutex_);
    replaced.swap(backend_);
    backend_ = std::move(backend);
}

void DriverComm::SetSleeper(Sleeper sleeper) {
    const std::lock_guard io(io_mutex_);
    sleeper_ = std::move(sleeper);
}

void DriverComm::RequestCancel() {
    {
        const std::lock_guard lock(cancel_mutex_);
        cancelled_ = true;
    }
    cancel_cv_.notify_all();
}

void DriverComm::ResetCancel() {
    const std::lock_guard lock(cancel_mutex_);
    cancelled_ = false;
}

bool DriverComm::CancelRequested() const {
    return cancelled_.load();
}

bool DriverComm::Sleep(std::chrono::milliseconds duration) {
    if (sleeper_) {
        sleeper_(duration);
        return !cancelled_;
    }
    std::unique_lock lock(cancel_mutex_);
    return !cancel_cv_.wait_for(lock, duration, [this] { return cancelled_.load(); });
}

bool DriverComm::CheckInterface(const std::string& path) {
    std::shared_ptr<HidBackend> backend;
    {
        const std::lock_guard state(state_mutex_);
        backend = backend_;
    }
    if (!backend) {
        return false;
    }
    // One node lists one entry per top-level collection, the protocol's not necessarily first.
    for (const HidInterfaceInfo& info : backend->Enumerate()) {
        const bool usable =
            (info.usage_page == kMouseUsagePage && info.usage == kMouseUsage) ||
            (info.usage_page == kBluetoothUsagePage && info.usage == kBluetoothUsage);
        if (info.path == path && usable) {
            return backend->Open(path) != nullptr;
        }
    }
    return false;
}

void DriverComm::SetCurrentDeviceType(int device_type) {
    const std::lock_guard state(state_mutex_);
    current_device_type_ = device_type;
    selection_.reset();
}

int DriverComm::CurrentDeviceType() const {
    const std::lock_guard state(state_mutex_);
    return current_device_type_;
}

bool DriverComm::IsEnumerated() const {
    const std::lock_guard state(state_mutex_);
    return enumerated_;
}

void DriverComm::EnumerateDevice() {
    const std::lock_guard io(io_mutex_);
    std::vector<std::unique_ptr<Entry>> found;
    const std::vector<HidInterfaceInfo> interfaces =
        backend_ ? backend_->Enumerate() : std::vector<HidInterfaceInfo>{};
    for (const HidInterfaceInfo& info : interfaces) {
        if (CancelRequested()) {
            break;
        }
        if (!IsSupported(info.vendor_id, info.product_id)) {
            continue;
        }
        Log(LogLevel::Debug,
            Format("EnumerateDevice: VID: %04X, PID: %04X, usage_page: %x, usage: %x",
                   info.vendor_id, info.product_id, info.usage_page, info.usage));
        std::unique_ptr<HidDevice> handle = backend_->Open(info.path);
        if (!handle) {
            continue;
        }
        Log(LogLevel::Debug,
            Format("EnumerateDevice: output_report_length: %d", handle->OutputReportLength()));
        auto entry = std::make_unique<Entry>();
        DeviceRecord& record = entry->record;
        record.vendor_id = info.vendor_id;
        record.product_id = info.product_id;
        record.path = info.path;
        record.release_number = info.release_number;
        record.output_report_length = handle->OutputReportLength();
        record.device_type = LookupDeviceType(info.vendor_id, info.product_id, record.name);
        if (info.usage_page == kMouseUsagePage && info.usage == kMouseUsage) {
            record.mode = LookupMode(info.vendor_id, info.product_id);
            record.online = 1;
            if (record.mode == ConnectionMode::Receiver) {
                record.online = ProbeReceiver(*handle) ? 1 : 0;
            }
        } else if (info.usage_page == kBluetoothUsagePage && info.usage == kBluetoothUsage) {
            record.mode = ConnectionMode::Bluetooth;
            record.online = 1;
        } else {
            continue;
        }
        entry->handle = std::move(handle);
        found.push_back(std::move(entry));
    }
    const std::lock_guard state(state_mutex_);
    for (auto& entry : found) {
        entry->record.index = static_cast<int>(records_.size());
        records_.push_back(std::move(entry));
    }
    enumerated_ = true;
}

void DriverComm::CloseAll() {
    const std::lock_guard io(io_mutex_);
    CloseAllLocked();
}

void DriverComm::CloseAllLocked() {
    std::vector<std::unique_ptr<Entry>> closing;
    {
        const std::lock_guard state(state_mutex_);
        if (!enumerated_) {
            return;
        }
        closing.swap(records_);
        selection_.reset();
        enumerated_ = false;
    }
    // Handles close here, outside the state lock; the I/O lock keeps exchanges away.
    closing.clear();
}

std::optional<DriverComm::Selection> DriverComm::SelectLocked() {
    if (selection_) {
        return selection_;
    }
    for (const ConnectionMode mode :
         {ConnectionMode::Wired, ConnectionMode::Bluetooth, ConnectionMode::Receiver}) {
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const Entry& entry = *records_[i];
            if (entry.record.device_type == current_device_type_ && entry.record.mode == mode &&
                entry.handle) {
                selection_ = Selection{entry.handle.get(), static_cast<int>(i), mode};
                return selection_;
            }
        }
    }
    return std::nullopt;
}

std::optional<DeviceRecord> DriverComm::SelectDevice() {
    const std::lock_guard state(state_mutex_);
    const std::optional<Selection> selection = SelectLocked();
    if (!selection) {
        return std::nullopt;
    }
    return records_[static_cast<std::size_t>(selection->record_index)]->record;
}

ConnectionMode DriverComm::ModeLocked(bool online_only) const {
    bool bluetooth = false;
    bool receiver = false;
    for (const auto& entry : records_) {
        const DeviceRecord& r = entry->record;
        if (r.device_type != current_device_type_) {
            continue;
        }
        const bool online = !online_only || r.online == 1;
        if (r.mode == ConnectionMode::Wired) {
            return ConnectionMode::Wired;
        }
        bluetooth = bluetooth || (r.mode == ConnectionMode::Bluetooth && online);
        receiver = receiver || (r.mode == ConnectionMode::Receiver && online);
    }
    if (bluetooth) {
        return ConnectionMode::Bluetooth;
    }
    return receiver ? ConnectionMode::Receiver : ConnectionMode::NotConnected;
}

ConnectionMode DriverComm::GetConnectionMode() const {
    const std::lock_guard state(state_mutex_);
    return ModeLocked(true);
}

ConnectionMode DriverComm::GetAttachedMode() const {
    const std::lock_guard state(state_mutex_);
    return ModeLocked(false);
}

bool DriverComm::CollectRecords(std::vector<DeviceRecord>& out) const {
    const std::lock_guard state(state_mutex_);
    for (const auto& entry : records_) {
        if (current_device_type_ == 0 || entry->record.device_type == current_device_type_) {
            out.push_back(entry->record);
        }
    }
    return !records_.empty();
}

std::vector<DeviceRecord> DriverComm::AllRecords() const {
    const std::lock_guard state(state_mutex_);
    std::vector<DeviceRecord> out;
    for (const auto& entry : records_) {
        out.push_back(entry->record);
    }
    return out;
}

int DriverComm::WriteReport(HidDevice& device, std::span<const std::uint8_t> data) {
    LogTransfer("hid write", data);
    const int result = device.Write(data);
    if (result < 0) {
        Log(LogLevel::Debug, "hid write failed");
    }
    return result;
}

int DriverComm::ReadReport(HidDevice& device, std::span<std::uint8_t> buffer, int timeout_ms) {
    const int result = device.Read(buffer, timeout_ms);
    if (result > 0) {
        LogTransfer("hid read", buffer.first(std::min<std::size_t>(result, buffer.size())));
    } else if (result < 0) {
        Log(LogLevel::Debug, "hid read failed");
    }
    return result;
}

ExchangeResult DriverComm::SetDeviceData(Frame& frame, bool wait) {
    const std::lock_guard io(io_mutex_);
    if (CancelRequested()) {
        return ExchangeResult::Cancelled;
    }
    HidDevice* device = nullptr;
    {
        const std::lock_guard state(state_mutex_);
        const std::optional<Selection> selection = SelectLocked();
        if (!selection) {
            return ExchangeResult::NoDevice;
        }
        device = selection->handle;
    }
    Log(LogLevel::Debug, Format("DriverComm::SetDeviceData: %02X %02X %02X %02X", frame[0],
                                frame[1], frame[2], frame[3]));
    return IsShortForm(*device) ? ExchangeShortForm(*device, frame, wait)
                                : ExchangeStandardForm(*device, frame, wait);
}

ExchangeResult DriverComm::ExchangeShortForm(HidDevice& device, Frame& frame, bool wait) {
    Frame request = frame;
    request[0] = kShortFormReportId;
    if (WriteReport(device, std::span(request).first(kShortFormLength)) < 0) {
        return ExchangeResult::WriteFailed;
    }
    if (!wait) {
        return ExchangeResult::Sent;
    }
    const std::uint8_t command = frame[3];
    Frame buffer{};
    bool matched = false;
    for (int attempt = 0; attempt < kExchangeAttempts && !CancelRequested(); ++attempt) {
        buffer.fill(0);
        const int got =
            ReadReport(device, std::span(buffer).first(kShortFormLength), kReadTimeoutMs);
        if (got > 0 && IsMatchingAnswer(std::span(buffer).subspan(1), command)) {
            matched = true;
            break;
        }
    }
    std::copy(buffer.begin() + 1, buffer.begin() + 1 + 48, frame.begin());
    return matched ? ExchangeResult::Answered : ExchangeResult::NotAnswered;
}

ExchangeResult DriverComm::ExchangeStandardForm(HidDevice& device, Frame& frame, bool wait) {
    Frame buffer{};
    ReadReport(device, buffer, kDrainTimeoutMs);
    if (WriteReport(device, frame) < 0) {
        return ExchangeResult::WriteFailed;
    }
    if (!wait) {
        return ExchangeResult::Sent;
    }
    buffer.fill(0);
    const std::uint8_t command = frame[3];
    bool matched = false;
    for (int attempt = 0; attempt < kExchangeAttempts; ++attempt) {
        if (!Sleep(kAttemptPause)) {
            break;
        }
        buffer.fill(0);
        const int got = ReadReport(device, buffer, kReadTimeoutMs);
        if (got > 0 && IsMatchingAnswer(buffer, command)) {
            matched = true;
            break;
        }
    }
    frame = buffer;
    return matched ? ExchangeResult::Answered : ExchangeResult::NotAnswered;
}

bool DriverComm::ReadInput(Frame& buffer, int& device_type) {
    const std::lock_guard io(io_mutex_);
    HidDevice* selected = nullptr;
    std::vector<HidDevice*> handles;
    {
        const std::lock_guard state(state_mutex_);
        device_type = current_device_type_;
        if (const std::optional<Selection> selection = SelectLocked()) {
            selected = selection->handle;
        } else {
            for (const auto& entry : records_) {
                if (entry->handle) {
                    handles.push_back(entry->handle.get());
                }
            }
        }
    }
    Frame read{};
    if (selected != nullptr) {
        if (ReadReport(*selected, read, kReadTimeoutMs) <= 0) {
            return false;
        }
        CopyInput(read, buffer, IsShortForm(*selected));
        return true;
    }
    for (HidDevice* handle : handles) {
        if (CancelRequested()) {
            break;
        }
        read.fill(0);
        if (ReadReport(*handle, std::span(read).first(kScanReadLength), kScanReadTimeoutMs) > 0) {
            CopyInput(read, buffer, IsShortForm(*handle));
            break;
        }
    }
    return false;
}

bool DriverComm::ProbeReceiver(HidDevice& device) {
    const std::lock_guard io(io_mutex_);
    Frame buffer{};
    ReadReport(device, buffer, kDrainTimeoutMs);
    Frame request{};
    request[1] = 0x55;
    request[2] = 0xAA;
    request[3] = kCommandStatus;
    if (WriteReport(device, request) < 0) {
        return false;
    }
    if (!Sleep(kProbePause)) {
        return false;
    }
    for (int attempt = 0; attempt < kProbeReads && !CancelRequested(); ++attempt) {
        buffer.fill(0);
        if (ReadReport(device, buffer, kReadTimeoutMs) <= 0 || buffer[2] != kCommandStatus) {
            continue;
        }
        if (buffer[5] == 0xFF && buffer[6] == 0xFF) {
            return false;
        }
        if (buffer[3] == kStatusLength && buffer[5] != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace veltra
