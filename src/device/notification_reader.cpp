#include <algorithm>

#include "common/text.h"
#include "device/device_worker.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra {

void DeviceWorker::ReadNotifications() {
    Frame report{};
    int device_type = 0;
    const bool read = comm_.ReadInput(report, device_type);
    state_.current_device_type = device_type;
    if (read && report[0] == 0x55 && (report[1] == 0xAA || report[1] == 0xBB) &&
        report[2] == 0x01) {
        const std::uint8_t level = report[4] >> 5;
        if (level != state_.last_notified_dpi_level) {
            state_.last_notified_dpi_level = level;
            store_.SetConfig(state_.active_profile, config_key::kDpiIndex, std::to_string(level));
            std::string text;
            store_.GetConfig(state_.active_profile, DpiGroupValueKey(level), text);
            const int dpi_value = static_cast<int>(ParseDecimal(text));
            view_.ShowDpiLevel(level, dpi_value, device_type);
            view_.PopupDpiValue(dpi_value);
        }
        const std::uint8_t rate = report[4] & 0x03;
        if (rate != state_.last_notified_rate) {
            state_.last_notified_rate = rate;
            store_.SetConfig(state_.active_profile, config_key::kReportRate, std::to_string(rate));
            view_.ShowReportRate(rate);
            view_.PopupReportRate(rate);
        }
        if (!state_.connected_shown) {
            view_.ShowTabBar(true);
            ShowReceiverConnected();
        }
    }
    PollReceiver();
}

void DeviceWorker::ShowReceiverConnected() {
    view_.ShowConnectionState(kTextReceiver);
    view_.SetDeviceState(state_.current_device_type, static_cast<int>(ConnectionMode::Receiver), 1);
    state_.connected_shown = true;
    view_.ShowHomeHint(false);
    view_.ShowDeviceList(true);
}

void DeviceWorker::PollReceiver() {
    if (comm_.GetAttachedMode() != ConnectionMode::Receiver) {
        return;
    }
    const auto now = hooks_.now();
    if (receiver_poll_time_ && now - *receiver_poll_time_ < kReceiverPollInterval) {
        return;
    }
    receiver_poll_time_ = now;
    Frame answer = BuildCommandFrame(Command::ReadStatus);
    if (comm_.SetDeviceData(answer, true) == ExchangeResult::Answered && answer[4] != 0xFF &&
        answer[5] != 0xFF) {
        std::copy_n(answer.begin() + 4, kStatusBlockSize, state_.status_block.begin());
        view_.ShowBattery(ApplyBatteryRule(state_.status_block));
        if (!state_.connected_shown) {
            ShowReceiverConnected();
            ModelChangeSync();
        }
        return;
    }
    if (state_.connected_shown) {
        ShowNotConnected();
        view_.StopMacroRecording();
    }
}

}  // namespace veltra
