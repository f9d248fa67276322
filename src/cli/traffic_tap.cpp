#include "cli/traffic_tap.h"

#include <algorithm>
#include <utility>

#include "device/forwarding_backend.h"

namespace veltra::cli {
namespace {

class TapDevice : public ForwardingDevice {
  public:
    TapDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<TrafficTap> tap)
        : ForwardingDevice(std::move(inner)), tap_(std::move(tap)) {}

  protected:
    // Only writes the interface took count as sent.
    void Written(std::span<const std::uint8_t> data, int result) override {
        if (result >= 0) {
            tap_->AddWrite(data);
        }
    }

  private:
    std::shared_ptr<TrafficTap> tap_;
};

class TapBackend : public ForwardingBackend {
  public:
    TapBackend(std::unique_ptr<HidBackend> inner, std::shared_ptr<TrafficTap> tap)
        : ForwardingBackend(std::move(inner)), tap_(std::move(tap)) {}

  protected:
    void Enumerated(const std::vector<HidInterfaceInfo>& interfaces) override {
        tap_->SetInterfaces(interfaces, LastFailure());
    }
    std::unique_ptr<HidDevice> Opened(const std::string& path,
                                      std::unique_ptr<HidDevice> device) override {
        if (!device) {
            tap_->AddFailedOpen(path);
            return nullptr;
        }
        return std::make_unique<TapDevice>(std::move(device), tap_);
    }

  private:
    std::shared_ptr<TrafficTap> tap_;
};

}  // namespace

void TrafficTap::RecordWrites(bool on) {
    const std::lock_guard lock(mutex_);
    recording_ = on;
    writes_.clear();
}

void TrafficTap::AddWrite(std::span<const std::uint8_t> data) {
    const std::lock_guard lock(mutex_);
    if (recording_) {
        writes_.emplace_back(data.begin(), data.end());
    }
}

void TrafficTap::AddFailedOpen(const std::string& path) {
    const std::lock_guard lock(mutex_);
    failed_paths_.push_back(path);
}

void TrafficTap::SetInterfaces(std::vector<HidInterfaceInfo> interfaces,
                               std::string backend_failure) {
    const std::lock_guard lock(mutex_);
    interfaces_ = std::move(interfaces);
    backend_failure_ = std::move(backend_failure);
    failed_paths_.clear();
}

std::vector<std::vector<std::uint8_t>> TrafficTap::TakeWrites() {
    const std::lock_guard lock(mutex_);
    return std::exchange(writes_, {});
}

std::string TrafficTap::BackendFailure() const {
    const std::lock_guard lock(mutex_);
    return backend_failure_;
}

std::vector<HidInterfaceInfo> TrafficTap::FailedOpens() const {
    const std::lock_guard lock(mutex_);
    std::vector<HidInterfaceInfo> failed;
    for (const HidInterfaceInfo& info : interfaces_) {
        if (std::find(failed_paths_.begin(), failed_paths_.end(), info.path) !=
            failed_paths_.end()) {
            failed.push_back(info);
        }
    }
    return failed;
}

std::unique_ptr<HidBackend> MakeTapBackend(std::unique_ptr<HidBackend> inner,
                                           std::shared_ptr<TrafficTap> tap) {
    return std::make_unique<TapBackend>(std::move(inner), std::move(tap));
}

}  // namespace veltra::cli
