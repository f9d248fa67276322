#include "cli/traffic_tap.h"

#include <algorithm>
#include <utility>

namespace veltra::cli {
namespace {

class TapDevice : public HidDevice {
  public:
    TapDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<TrafficTap> tap)
        : inner_(std::move(inner)), tap_(std::move(tap)) {}

    // Only writes the interface took count as sent.
    int Write(std::span<const std::uint8_t> data) override {
        const int result = inner_->Write(data);
        if (result >= 0) {
            tap_->AddWrite(data);
        }
        return result;
    }
    int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        return inner_->Read(buffer, timeout_ms);
    }
    int OutputReportLength() const override { return inner_->OutputReportLength(); }

  private:
    std::unique_ptr<HidDevice> inner_;
    std::shared_ptr<TrafficTap> tap_;
};

class TapBackend : public HidBackend {
  public:
    TapBackend(std::unique_ptr<HidBackend> inner, std::shared_ptr<TrafficTap> tap)
        : inner_(std::move(inner)), tap_(std::move(tap)) {}

    std::vector<HidInterfaceInfo> Enumerate() override {
        std::vector<HidInterfaceInfo> interfaces = inner_->Enumerate();
        tap_->SetInterfaces(interfaces);
        return interfaces;
    }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        std::unique_ptr<HidDevice> device = inner_->Open(path);
        if (!device) {
            tap_->AddFailedOpen(path);
            return nullptr;
        }
        return std::make_unique<TapDevice>(std::move(device), tap_);
    }

  private:
    std::unique_ptr<HidBackend> inner_;
    std::shared_ptr<TrafficTap> tap_;
};

}  // namespace

void TrafficTap::AddWrite(std::span<const std::uint8_t> data) {
    const std::lock_guard lock(mutex_);
    writes_.emplace_back(data.begin(), data.end());
}

void TrafficTap::AddFailedOpen(const std::string& path) {
    const std::lock_guard lock(mutex_);
    failed_paths_.push_back(path);
}

void TrafficTap::SetInterfaces(std::vector<HidInterfaceInfo> interfaces) {
    const std::lock_guard lock(mutex_);
    interfaces_ = std::move(interfaces);
    failed_paths_.clear();
}

std::vector<std::vector<std::uint8_t>> TrafficTap::TakeWrites() {
    const std::lock_guard lock(mutex_);
    return std::exchange(writes_, {});
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
