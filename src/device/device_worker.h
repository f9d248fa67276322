#pragma once

// The device worker: the main window's thread for all device traffic. It runs the task codes
// the UI thread queues, rescans and synchronises the mouse with the active profile, reads the
// mouse's own notifications while idle, and reports to the window through the device view.
// The window also calls the discovery operations here: the hot-plug handler and the model
// choice, both on the UI thread.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/device_protocol.h"
#include "device/device_state.h"
#include "device/device_view.h"
#include "device/driver_comm.h"
#include "device/hotplug.h"
#include "device/task_code.h"
#include "device/task_queue.h"
#include "device/thread_basic.h"

namespace veltra {

class ProfileStore;

// What the worker needs from the rest of the program. Every member has a working default
// except load_device_model and shell_task, which do nothing when empty.
struct WorkerHooks {
    // Loads the description of DriverComm's current model and switches the profile store to
    // its file. True when the model has a lighting page; when empty, no model has one. Runs on
    // the thread that rescans.
    std::function<bool()> load_device_model;
    // Tasks 20, 21 and 22 (pointer settings, update jobs), with their code.
    std::function<void(TaskCode code)> shell_task;
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

    // The window owns `state` and `view`; both must outlive the worker. The worker starts from
    // the state's last snapshot, so a new worker carries on where the last one stopped. View
    // updates stop at StopWorker.
    DeviceWorker(DriverComm& comm, ProfileStore& store, SharedDeviceState& state, DeviceView& view,
                 WorkerHooks hooks = {});
    ~DeviceWorker() override;

    // UI thread. A macro upload already waiting in the queue is not queued again.
    void QueueTask(TaskCode code);
    // Work of another front end (a veltractl command the window carries out) as one task of the
    // queue: it runs on the worker thread with the working state, as the worker's own tasks do,
    // and the profile list and pages are refreshed afterwards as after any change. A call still
    // waiting when the worker stops is dropped unrun. Any thread.
    using ExternalCall = std::function<void(DeviceState& state)>;
    void QueueExternalCall(ExternalCall call);
    bool TaskQueueEmpty() const { return queue_.Empty(); }
    bool DevicesPresent() const { return shared_.Snapshot().devices_present; }

    // The device-change handler: queues task 2 or 3 for a supported interface's arrival or
    // removal. Never touches the device traffic.
    void UpdateUSBDevice(const HotplugEvent& event);

    enum class ModelChoice { ModelList, DeviceList };
    struct ModelChoiceResult {
        bool task_queued = false;       // another model: task 4 resynchronises
        bool show_wait_dialog = false;  // the caller opens the wait dialog
        // The caller shows the tab bar and selects the second tab item; a choice in the device
        // list always opens the device pages, even of the model already served.
        bool open_device_pages = false;
        bool operator==(const ModelChoiceResult&) const = default;
    };
    // The user picked a model in the model list (always task 4 and the wait dialog) or in the
    // device list (task 4 only for another model, no dialog).
    ModelChoiceResult ChooseDeviceModel(int device_type, ModelChoice from);

    // Worker thread (or a caller that runs no worker, such as a test).
    void RunTask(TaskCode code);
    void UpdateDeviceList();
    void ReadNotifications();

  protected:
    void Step() override;
    void Pause(std::chrono::milliseconds period) override;
    void CancelWaits() override;
    void Joined() override;

  private:
    // Publishes the working state, then hands out the view.
    DeviceView& Notify();
    void Publish() { shared_.Publish(state_); }
    void Dispatch(TaskCode code);
    bool Sleep(int milliseconds);
    void InitialSync();
    void LoadDeviceModel();
    void LoadProfiles();
    bool Read();
    void RefreshPages();
    void CloseWaitDialog(TaskCode code);
    void ModelChangeSync();
    void ShowConnection(const ConnectionUpdate& update);
    void ShowReceiverConnected();
    void PollReceiver();
    void RunExternalCall();

    DriverComm& comm_;
    ProfileStore& store_;
    SharedDeviceState& shared_;
    // The working copy; worker thread only.
    DeviceState state_;
    GatedDeviceView view_;
    WorkerHooks hooks_;
    DeviceProtocol protocol_;
    TaskQueue queue_;
    std::mutex calls_mutex_;
    std::deque<ExternalCall> calls_;
    DeviceList device_list_;
    bool dialog_ended_ = false;
    std::optional<std::chrono::steady_clock::time_point> receiver_poll_time_;
};

}  // namespace veltra
