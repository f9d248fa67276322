#include <algorithm>

#include "common/text.h"
#include "device/device_worker.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra {

void DeviceWorker::ReadNotifications() {
    Frame report{};
    int device_type = 0;
    // A report read while the served model has no interface comes from another model's
    // mouse (ReadInput then answers false); it must not change this model's profile.
    const bool read = comm_.ReadInput(report, device_type);
    state_.current_device_type = device_type;
    if (read && report[0] == 0x55 && (report[1] == 0xAA || report[1] == 0xBB) &&
        report[2] == 0x01) {
        MouseSettingsChange change;
        const std::uint8_t level = report[4] >> 5;
        if (level != state_.last_notified_dpi_level) {
            state_.last_notified_dpi_level = level;
            store_.SetConfig(state_.active_profile, config_key::kDpiIndex, std::to_string(level));
            std::string text;
            store_.GetConfig(state_.active_profile, DpiGroupValueKey(level), text);
            change.dpi = {level, static_cast<int>(ParseDecimal(text)), device_type};
        }
        const std::uint8_t rate = report[4] & 0x03;
        if (rate != state_.last_notified_rate) {
            state_.last_notified_rate = rate;
            store_.SetConfig(state_.active_profile, config_key::kReportRate, std::to_string(rate));
            change.report_rate = rate;
        }
        if (change.dpi || change.report_rate) {
            Notify().MouseSettingsChanged(change);
        }
        if (!state_.connected_shown) {
            ShowReceiverConnected();
        }
    }
    PollReceiver();
    Publish();
}

void DeviceWorker::ShowReceiverConnected() {
    ShowConnection({.mode = ConnectionMode::Receiver, .text_id = kTextReceiver, .connected = true});
    for (DeviceListEntry& entry : device_list_.models) {
        if (entry.device_type == state_.current_device_type) {
            entry.present = true;
            entry.mode = ConnectionMode::Receiver;
            entry.online = true;
        }
    }
    Notify().DeviceListChanged(device_list_);
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
        Notify().BatteryChanged(ApplyBatteryRule(state_.status_block));
        if (!state_.connected_shown) {
            ShowReceiverConnected();
            ModelChangeSync();
        }
        return;
    }
    if (state_.connected_shown) {
        ShowConnection({.stop_macro_recording = true});
    }
}

}  // namespace veltra
