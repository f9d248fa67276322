#pragma once

// The device worker: the main window's thread for all device traffic. It runs the task codes
// the UI thread queues, rescans and synchronises the mouse with the active profile, reads the
// mouse's own notifications while idle, and reports to the window through the device view.
// The window also calls the discovery operations here: the hot-plug handler and the model
// choice, both on the UI thread.

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/device_protocol.h"
#include "device/device_state.h"
#include "device/device_view.h"
#include "device/driver_comm.h"
#include "device/hotplug.h"
#include "device/task_queue.h"
#include "device/thread_basic.h"

namespace veltra {

class ProfileStore;

enum class TaskCode : int {
    InitialSync = 1,
    DeviceArrival = 2,
    DeviceRemoval = 3,
    ModelChange = 4,
    ProfileChange = 7,
    MacroUpload = 8,
    KeyWrite = 9,
    LightingWrite = 11,
    DpiWrite = 12,
    ReportRateWrite = 13,
    PerformanceWrite = 14,
    PowerWrite = 15,
    LightingReset = 18,
    FactoryReset = 19,
    PointerSettings = 20,
    UpdateCheckFirst = 21,
    UpdateCheckSecond = 22,
};

// What the worker needs from the rest of the program. Every member has a working default
// except load_device_model and shell_task, which do nothing when empty.
struct WorkerHooks {
    // Loads the description of DriverComm's current model and switches the profile store to
    // its file; may set DeviceState::lighting_present. Runs on the thread that rescans.
    std::function<void()> load_device_model;
    // Tasks 20, 21 and 22 (pointer settings, update jobs), with their code.
    std::function<void(int code)> shell_task;
    // The stored device type ("DeviceType").
    std::function<int()> read_device_type;
    std::function<void(int)> write_device_type;
    // The language's profile word for the profile list.
    std::function<std::string()> profile_word;
    // The clock of the receiver poll.
    std::function<std::chrono::steady_clock::time_point()> now;
};

class DeviceWorker : public CThreadBasic {
  public:
    static constexpr std::chrono::milliseconds kReceiverPollInterval{5000};

    // The window owns `state` and `view`; both must outlive the worker. View updates stop at
    // StopWorker.
    DeviceWorker(DriverComm& comm, ProfileStore& store, DeviceState& state, DeviceView& view,
                 WorkerHooks hooks = {});
    ~DeviceWorker() override;

    // UI thread.
    void QueueTask(int code);
    bool TaskQueueEmpty() const { return queue_.Empty(); }
    bool DevicesPresent() const { return devices_present_; }

    // The device-change handler: queues task 2 or 3 for a supported interface's arrival or
    // removal. Never touches the device traffic.
    void UpdateUSBDevice(const HotplugEvent& event);

    enum class ModelChoice { ModelList, DeviceList };
    // The user picked a model. Returns true when task 4 was queued; the caller then shows the
    // wait dialog (model list) and the connected layout's tabs (device list).
    bool ChooseDeviceModel(int device_type, ModelChoice from);

    // Worker thread (or a caller that runs no worker, such as the command-line tool).
    void RunTask(int code);
    void UpdateDeviceList();
    void ReadNotifications();

  protected:
    void Step() override;
    void Pause(std::chrono::milliseconds period) override;
    void CancelWaits() override;
    void Joined() override;

  private:
    bool Sleep(int milliseconds);
    void InitialSync();
    void LoadProfiles();
    bool Read();
    void RefreshPages();
    void CloseWaitDialog();
    void ModelChangeSync();
    void ShowConnected(int text_id, ConnectionMode mode);
    void ShowNotConnected();
    void ShowReceiverConnected();
    void PollReceiver();

    DriverComm& comm_;
    ProfileStore& store_;
    DeviceState& state_;
    GatedDeviceView view_;
    WorkerHooks hooks_;
    DeviceProtocol protocol_;
    TaskQueue queue_;
    std::atomic<bool> devices_present_{false};
    bool dialog_ended_ = false;
    std::optional<std::chrono::steady_clock::time_point> receiver_poll_time_;
};

}  // namespace veltra
