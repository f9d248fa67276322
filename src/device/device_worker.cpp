#include "device/device_worker.h"

#include "common/text.h"
#include "config/language.h"
#include "shell/settings_key.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra {
namespace {

constexpr int kProfileWordText = 60;
constexpr int kWriteSettleMs = 500;
constexpr int kWaitDialogSettleMs = 100;

WorkerHooks WithDefaults(WorkerHooks hooks) {
    if (!hooks.read_device_type) {
        hooks.read_device_type = [] { return ReadDeviceType(); };
    }
    if (!hooks.write_device_type) {
        hooks.write_device_type = [](int type) { WriteDeviceType(type); };
    }
    if (!hooks.profile_word) {
        hooks.profile_word = [] { return GetLangText(kProfileWordText); };
    }
    if (!hooks.now) {
        hooks.now = [] { return std::chrono::steady_clock::now(); };
    }
    return hooks;
}

}  // namespace

DeviceWorker::DeviceWorker(DriverComm& comm, ProfileStore& store, SharedDeviceState& state,
                           DeviceView& view, WorkerHooks hooks)
    : comm_(comm),
      store_(store),
      shared_(state),
      state_(state.Snapshot()),
      view_(view),
      hooks_(WithDefaults(std::move(hooks))),
      protocol_(comm, store, state_,
                [this](const BatteryInfo& battery) { Notify().BatteryChanged(battery); }) {}

DeviceWorker::~DeviceWorker() {
    StopWorker();
}

void DeviceWorker::QueueTask(TaskCode code) {
    // An upload sends every macro as the store holds them when it runs, so one that still waits
    // covers later edits too; each costs seconds of exchanges with a real mouse.
    if (code == TaskCode::MacroUpload) {
        queue_.PushUnlessWaiting(code);
        return;
    }
    queue_.Push(code);
}

void DeviceWorker::QueueExternalCall(ExternalCall call) {
    {
        const std::lock_guard lock(calls_mutex_);
        calls_.push_back(std::move(call));
    }
    queue_.Push(TaskCode::ExternalCall);
}

void DeviceWorker::RunExternalCall() {
    ExternalCall call;
    {
        const std::lock_guard lock(calls_mutex_);
        if (calls_.empty()) {
            return;
        }
        call = std::move(calls_.front());
        calls_.pop_front();
    }
    call(state_);
    LoadProfiles();
    // The call may have changed the mouse's DPI level or report rate; the reader compares the
    // mouse's next notice with what it last knew, so it must know these.
    std::string text;
    if (store_.GetConfig(state_.active_profile, config_key::kDpiIndex, text)) {
        state_.last_notified_dpi_level = static_cast<std::uint8_t>(ParseDecimal(text));
    }
    if (store_.GetConfig(state_.active_profile, config_key::kReportRate, text)) {
        state_.last_notified_rate = static_cast<std::uint8_t>(ParseDecimal(text));
    }
    RefreshPages();
}

DeviceView& DeviceWorker::Notify() {
    Publish();
    return view_;
}

void DeviceWorker::Step() {
    state_.current_device_type = comm_.CurrentDeviceType();
    if (const std::optional<TaskCode> code = queue_.TryPop()) {
        dialog_ended_ = false;
        RunTask(*code);
        if (!dialog_ended_ && queue_.Empty() && !StopRequested()) {
            // A dialog opened for a task that ended early or was dropped must not stay open.
            Notify().TaskFinished(*code);
        }
    } else if (state_.devices_present) {
        ReadNotifications();
    }
}

void DeviceWorker::Pause(std::chrono::milliseconds period) {
    // Without a device there is nothing to listen for: sleep until a task comes.
    if (state_.devices_present) {
        queue_.Wait(period);
    } else {
        queue_.Wait(std::nullopt);
    }
}

void DeviceWorker::CancelWaits() {
    view_.Close();
    queue_.Interrupt();
    comm_.RequestCancel();
}

void DeviceWorker::Joined() {
    queue_.Resume();
    comm_.ResetCancel();
}

bool DeviceWorker::Sleep(int milliseconds) {
    return comm_.Sleep(std::chrono::milliseconds(milliseconds));
}

void DeviceWorker::RunTask(TaskCode code) {
    Dispatch(code);
    Publish();
}

void DeviceWorker::Dispatch(TaskCode code) {
    switch (code) {
        case TaskCode::InitialSync:
            InitialSync();
            break;
        case TaskCode::DeviceArrival:
            if (!Sleep(500) || !Sleep(1000)) {
                return;
            }
            if (state_.synced) {
                UpdateDeviceList();
                if (comm_.GetConnectionMode() != ConnectionMode::NotConnected) {
                    LoadProfiles();
                    if (Read()) {
                        RefreshPages();
                    }
                }
            }
            InitialSync();
            break;
        case TaskCode::DeviceRemoval: {
            if (!Sleep(500) || !Sleep(500)) {
                return;
            }
            UpdateDeviceList();
            const ConnectionMode mode = comm_.GetConnectionMode();
            if ((mode == ConnectionMode::Receiver || mode == ConnectionMode::Wired) && Read()) {
                RefreshPages();
            }
            break;
        }
        case TaskCode::ModelChange:
            LoadDeviceModel();
            ModelChangeSync();
            CloseWaitDialog(code);
            break;
        case TaskCode::ProfileChange:
            // The UI thread made another profile active in the store.
            if (const int active = store_.GetActiveProfile(); active != 0) {
                state_.active_profile = active;
            }
            Notify().SettingsRefreshed({.profile = state_.active_profile,
                                        .keys = true,
                                        .performance = true,
                                        .lighting = state_.lighting_present});
            CloseWaitDialog(code);
            break;
        case TaskCode::MacroUpload:
            protocol_.UploadMacros();
            CloseWaitDialog(code);
            break;
        case TaskCode::KeyWrite:
            protocol_.WriteKeys();
            CloseWaitDialog(code);
            break;
        case TaskCode::LightingWrite:
        case TaskCode::DpiWrite:
        case TaskCode::ReportRateWrite:
        case TaskCode::PerformanceWrite:
        case TaskCode::PowerWrite:
        case TaskCode::LightingReset:
            protocol_.WriteConfig();
            Sleep(kWriteSettleMs);
            break;
        case TaskCode::FactoryReset:
            // The store was recreated: the next arrival synchronises everything again.
            state_.synced = false;
            if (protocol_.ResetDevice().resync) {
                // The pages show the recreated store even when the mouse does not answer.
                LoadProfiles();
                Read();
                RefreshPages();
            }
            CloseWaitDialog(code);
            break;
        case TaskCode::PointerSettings:
        case TaskCode::UpdateDriver:
        case TaskCode::UpdateFirmwareTool:
            if (hooks_.shell_task) {
                hooks_.shell_task(code);
            }
            break;
        case TaskCode::ExternalCall:
            RunExternalCall();
            break;
        default:
            // No task of that code; a wait dialog opened with it still has to end.
            Notify().TaskFinished(code);
            dialog_ended_ = true;
            break;
    }
}

void DeviceWorker::InitialSync() {
    if (state_.synced) {
        return;
    }
    UpdateDeviceList();
    if (state_.lighting_present) {
        Notify().SettingsRefreshed({.profile = state_.active_profile, .lighting = true});
    }
    if (comm_.GetConnectionMode() == ConnectionMode::NotConnected) {
        return;
    }
    LoadProfiles();
    if (!Read()) {
        return;
    }
    RefreshPages();
    state_.synced = true;
}

void DeviceWorker::ModelChangeSync() {
    LoadProfiles();
    UpdateDeviceList();
    if (comm_.GetConnectionMode() != ConnectionMode::NotConnected && Read()) {
        RefreshPages();
    }
}

void DeviceWorker::LoadDeviceModel() {
    state_.lighting_present = hooks_.load_device_model && hooks_.load_device_model();
}

void DeviceWorker::LoadProfiles() {
    const ProfileList list = LoadProfileList(store_, hooks_.profile_word());
    state_.active_profile = list.active_profile;
    Notify().ProfilesChanged(list);
}

bool DeviceWorker::Read() {
    return protocol_.ReadDeviceData();
}

void DeviceWorker::RefreshPages() {
    Notify().SettingsRefreshed({.profile = state_.active_profile,
                                .keys = true,
                                .macros = true,
                                .performance = true,
                                .lighting = state_.lighting_present});
}

void DeviceWorker::CloseWaitDialog(TaskCode code) {
    Notify().TaskFinished(code);
    dialog_ended_ = true;
    Sleep(kWaitDialogSettleMs);
}

}  // namespace veltra
