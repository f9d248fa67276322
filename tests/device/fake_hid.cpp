#include "device/fake_hid.h"

#include <algorithm>

namespace veltra::test {
namespace {

class FakeDevice : public HidDevice {
  public:
    FakeDevice(std::shared_ptr<FakeDeviceState> state, int output_report_length)
        : state_(std::move(state)), output_report_length_(output_report_length) {
        const std::lock_guard lock(state_->mutex);
        state_->open = true;
        ++state_->opens;
    }
    ~FakeDevice() override {
        const std::lock_guard lock(state_->mutex);
        state_->open = false;
    }

    int Write(std::span<const std::uint8_t> data) override {
        const std::lock_guard lock(state_->mutex);
        Bytes frame(data.begin(), data.end());
        state_->writes.push_back(frame);
        if (state_->fail_writes) {
            return -1;
        }
        if (state_->on_write) {
            state_->on_write(*state_, frame);
        }
        return static_cast<int>(data.size());
    }

    int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        if (state_->before_read) {
            state_->before_read(static_cast<int>(state_->Reads()));
        }
        const std::lock_guard lock(state_->mutex);
        state_->read_timeouts.push_back(timeout_ms);
        state_->read_lengths.push_back(buffer.size());
        if (state_->inputs.empty()) {
            return 0;
        }
        const Bytes report = std::move(state_->inputs.front());
        state_->inputs.pop_front();
        const std::size_t n = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }

    int OutputReportLength() const override { return output_report_length_; }

  private:
    std::shared_ptr<FakeDeviceState> state_;
    int output_report_length_;
};

}  // namespace

std::shared_ptr<FakeDeviceState> FakeHidBackend::Add(HidInterfaceInfo info, bool can_open) {
    auto state = std::make_shared<FakeDeviceState>();
    const std::lock_guard lock(mutex_);
    interfaces_.push_back({std::move(info), state, can_open});
    return state;
}

std::vector<HidInterfaceInfo> FakeHidBackend::Enumerate() {
    const std::lock_guard lock(mutex_);
    std::vector<HidInterfaceInfo> out;
    for (const Interface& i : interfaces_) {
        out.push_back(i.info);
    }
    return out;
}

std::unique_ptr<HidDevice> FakeHidBackend::Open(const std::string& path) {
    const std::lock_guard lock(mutex_);
    for (const Interface& i : interfaces_) {
        if (i.info.path == path && i.can_open) {
            return std::make_unique<FakeDevice>(i.state, i.info.output_report_length);
        }
    }
    return nullptr;
}

HidInterfaceInfo Interface(const std::string& path, std::uint16_t vid, std::uint16_t pid,
                           std::uint16_t usage_page, std::uint16_t usage,
                           int output_report_length) {
    HidInterfaceInfo info;
    info.path = path;
    info.vendor_id = vid;
    info.product_id = pid;
    info.release_number = 0x0102;
    info.usage_page = usage_page;
    info.usage = usage;
    info.output_report_length = output_report_length;
    return info;
}

Bytes Payload(std::uint8_t command, std::uint8_t length, const Bytes& data) {
    Bytes payload(64, 0);
    payload[0] = 0x55;
    payload[1] = 0xAA;
    payload[2] = command;
    payload[3] = length;
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 60), payload.begin() + 4);
    return payload;
}

Bytes ShortFormReport(const Bytes& payload) {
    Bytes report(49, 0);
    report[0] = 0x06;
    std::copy_n(payload.begin(), std::min<std::size_t>(payload.size(), 48), report.begin() + 1);
    return report;
}

Bytes StatusAnswer(std::uint8_t flags, std::uint8_t level) {
    Bytes data(28, 0);
    data[0] = flags;
    data[1] = level;
    for (std::size_t i = 2; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    return Payload(0x00, 0x1C, data);
}

Bytes ConfigAnswer(std::uint8_t enable_mask) {
    Bytes data(59, 0);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i + 1);
    }
    data[23 - 4] = enable_mask;
    return Payload(0x01, 0x20, data);
}

void AnswerReadCommands(FakeDeviceState& state, bool short_form) {
    state.on_write = [short_form](FakeDeviceState& s, const Bytes& frame) {
        if (frame.size() < 4 || frame[1] != 0x55 || frame[2] != 0xAA) {
            return;
        }
        Bytes answer;
        if (frame[3] == 0x00) {
            answer = StatusAnswer();
        } else if (frame[3] == 0x01) {
            answer = ConfigAnswer();
        } else {
            return;
        }
        s.inputs.push_back(short_form ? ShortFormReport(answer) : answer);
    };
}

}  // namespace veltra::test
