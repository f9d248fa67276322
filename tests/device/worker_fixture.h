#pragma once

// A device worker over the simulated bus with a recording device view, a fresh store and a
// fake receiver-poll clock. Sleeps of the device link are recorded, not taken.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_view.h"
#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "device/hotplug.h"
#include "sim/simulated_backend.h"
#include "sim/simulated_hotplug_source.h"
#include "store/profile_store.h"
#include "support/temp_dir.h"

namespace veltra::test {

inline constexpr std::uint16_t kVid = 0x3554;
inline constexpr std::uint16_t kWiredPid = 0xF5D5;
inline constexpr std::uint16_t kReceiverPid = 0xF5D6;
inline constexpr std::uint16_t kBluetoothVid = 0x046D;
inline constexpr std::uint16_t kBluetoothPid = 0x00BA;
inline constexpr int kDeviceType = 101;

// Every notification as one line of text, e.g. "Connection 52 connected".
class RecordingView : public DeviceView {
  public:
    std::vector<std::string> Calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    void Clear() {
        const std::lock_guard lock(mutex_);
        calls_.clear();
    }
    int Count(const std::string& call) const {
        const std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
    }
    // Waits (generously) until `call` has been made `times` times.
    bool WaitFor(const std::string& call, int times = 1) {
        return WaitUntil([&] { return std::count(calls_.begin(), calls_.end(), call) >= times; });
    }
    // Waits until a call beginning with `prefix` has been made.
    bool WaitForPrefix(const std::string& prefix) {
        return WaitUntil([&] {
            return std::any_of(calls_.begin(), calls_.end(),
                               [&](const std::string& c) { return c.starts_with(prefix); });
        });
    }
    // Runs on the notifying thread at every call, as a window that looks at the device state
    // on each notification would. Set it before the worker starts.
    void OnEveryCall(std::function<void()> observer) { observer_ = std::move(observer); }
    DeviceList LastDeviceList() const {
        const std::lock_guard lock(mutex_);
        return device_list_;
    }
    ProfileList LastProfiles() const {
        const std::lock_guard lock(mutex_);
        return profiles_;
    }

    // "DeviceList <selected>: <type>=<mode>/<online>/<release> ..." with "-" for an absent model.
    void DeviceListChanged(const DeviceList& list) override {
        std::string line = "DeviceList " + std::to_string(list.selected_type) + ":";
        for (const DeviceListEntry& m : list.models) {
            line += " " + std::to_string(m.device_type) + "=";
            line += m.present ? std::to_string(static_cast<int>(m.mode)) + "/" +
                                    (m.online ? "1" : "0") + "/" + std::to_string(m.release_number)
                              : "-";
        }
        {
            const std::lock_guard lock(mutex_);
            device_list_ = list;
        }
        Add(line);
    }
    void ConnectionChanged(const ConnectionUpdate& u) override {
        if (u.text_id != ConnectionText(u.mode)) {
            ADD_FAILURE() << "text " << u.text_id << " for mode " << static_cast<int>(u.mode);
        }
        Add("Connection " + std::to_string(u.text_id) + (u.connected ? " connected" : "") +
            (u.open_device_pages ? " pages" : "") +
            (u.stop_macro_recording ? " stop-recording" : ""));
    }
    // "Profiles <active>"; the list itself is kept for LastProfiles.
    void ProfilesChanged(const ProfileList& profiles) override {
        {
            const std::lock_guard lock(mutex_);
            profiles_ = profiles;
        }
        Add("Profiles " + std::to_string(profiles.active_profile));
    }
    void BatteryChanged(const BatteryInfo& b) override {
        Add("Battery " + std::to_string(b.level) + (b.charging ? " charging" : ""));
    }
    void SettingsRefreshed(const PageRefresh& r) override {
        Add("Refresh " + std::to_string(r.profile) + (r.keys ? " keys" : "") +
            (r.macros ? " macros" : "") + (r.performance ? " performance" : "") +
            (r.lighting ? " lighting" : ""));
    }
    // "Mouse dpi <level> <value> <type> rate <code>", either part only when it changed.
    void MouseSettingsChanged(const MouseSettingsChange& c) override {
        std::string line = "Mouse";
        if (c.dpi) {
            line += " dpi " + std::to_string(c.dpi->level) + " " + std::to_string(c.dpi->value) +
                    " " + std::to_string(c.dpi->device_type);
        }
        if (c.report_rate) {
            line += " rate " + std::to_string(*c.report_rate);
        }
        Add(line);
    }
    void TaskFinished(TaskCode code) override {
        Add("TaskFinished " + std::to_string(static_cast<int>(code)));
    }

  private:
    template <typename Done>
    bool WaitUntil(Done done) {
        std::unique_lock lock(mutex_);
        const bool seen = changed_.wait_for(lock, std::chrono::seconds(20), done);
        if (!seen) {
            for (const std::string& c : calls_) {
                ADD_FAILURE() << "seen: " << c;
            }
        }
        return seen;
    }

    void Add(std::string call) {
        if (observer_) {
            observer_();
        }
        {
            const std::lock_guard lock(mutex_);
            calls_.push_back(std::move(call));
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
    DeviceList device_list_;
    ProfileList profiles_;
    std::function<void()> observer_;
};

// The full synchronisation's page refresh of profile 1 without a lighting page.
inline const std::string kFullRefresh = "Refresh 1 keys macros performance";

// The position of the first `call` at or after `from`; calls.size() when there is none.
inline std::size_t Find(const std::vector<std::string>& calls, const std::string& call,
                        std::size_t from = 0) {
    const auto it = std::find(calls.begin() + static_cast<long>(std::min(from, calls.size())),
                              calls.end(), call);
    return static_cast<std::size_t>(it - calls.begin());
}

class WorkerTest : public ::testing::Test {
  protected:
    WorkerTest() {
        auto backend = std::make_unique<sim::SimulatedBackend>(sim::BackendOptions{0.0, true});
        sim_ = backend.get();
        mouse_ = sim_->AddMouse();
        comm_ = std::make_unique<DriverComm>(std::move(backend));
        comm_->SetSleeper([this](std::chrono::milliseconds ms) {
            const std::lock_guard lock(sleep_mutex_);
            sleeps_.push_back(ms.count());
        });
        comm_->AddDevice(kVid, kWiredPid, "", kDeviceType, ConnectionMode::Wired);
        comm_->AddDevice(kVid, kReceiverPid, "", kDeviceType, ConnectionMode::Receiver);
        comm_->AddDevice(kBluetoothVid, kBluetoothPid, "", kDeviceType, ConnectionMode::Bluetooth);
        std::filesystem::create_directories(dir_.path() / "db");
        source_ = std::make_unique<sim::SimulatedHotplugSource>(*sim_);
        source_->Start(hotplug_.Sink());
    }

    ~WorkerTest() override {
        if (worker_) {
            worker_->StopWorker();
        }
        source_->Stop();
    }

    DeviceWorker& Worker() {
        if (!worker_) {
            WorkerHooks hooks;
            hooks.load_device_model = [this] {
                const int type = comm_->CurrentDeviceType();
                if (!store_.IsOpen() || store_.DeviceType() != type) {
                    store_.SwitchDeviceModel(dir_.path(), "Mouse", type);
                }
                return lighting_.load();
            };
            hooks.read_device_type = [this] { return stored_type_.load(); };
            hooks.write_device_type = [this](int type) { stored_type_ = type; };
            hooks.profile_word = [] { return std::string("Profile"); };
            hooks.now = [this] {
                return std::chrono::steady_clock::time_point(std::chrono::milliseconds(clock_ms_));
            };
            worker_ = std::make_unique<DeviceWorker>(*comm_, store_, state_, view_, hooks);
        }
        return *worker_;
    }

    // Runs the UI thread's part: every hot-plug event so far goes through the matching rules.
    void DeliverHotplug() {
        sim_->FlushHotplugEvents();
        for (const HotplugEvent& event : hotplug_.TakeAll()) {
            Worker().UpdateUSBDevice(event);
        }
    }

    // Arrivals before the start: the initial task covers them.
    void DiscardHotplug() {
        sim_->FlushHotplugEvents();
        hotplug_.TakeAll();
    }

    // Starts the worker with task 1 and waits for its first synchronisation.
    void StartSynced() {
        Worker().QueueTask(TaskCode::InitialSync);
        Worker().StartWorker();
        ASSERT_TRUE(view_.WaitFor(kFullRefresh));
        ASSERT_TRUE(view_.WaitFor("TaskFinished 1"));
    }

    std::vector<std::vector<std::uint8_t>> Writes(const std::string& path = {}) const {
        std::vector<std::vector<std::uint8_t>> writes;
        for (const auto& e : sim_->Traffic()) {
            if (e.op == sim::TrafficEntry::Op::Write && (path.empty() || e.path == path)) {
                writes.push_back(e.data);
            }
        }
        return writes;
    }
    // The command byte of every write.
    std::vector<int> Commands(const std::string& path = {}) const {
        std::vector<int> commands;
        for (const auto& w : Writes(path)) {
            commands.push_back(w.size() > 3 ? w[3] : -1);
        }
        return commands;
    }
    std::vector<long> Sleeps(long at_least = 500) {
        const std::lock_guard lock(sleep_mutex_);
        std::vector<long> long_ones;
        std::copy_if(sleeps_.begin(), sleeps_.end(), std::back_inserter(long_ones),
                     [&](long ms) { return ms >= at_least; });
        return long_ones;
    }
    void ClearSleeps() {
        const std::lock_guard lock(sleep_mutex_);
        sleeps_.clear();
    }
    std::string Stored(std::string_view key) {
        std::string value;
        store_.GetConfig(store_.GetActiveProfile(), key, value);
        return value;
    }

    TempDir dir_;
    sim::SimulatedBackend* sim_ = nullptr;
    int mouse_ = -1;
    std::unique_ptr<DriverComm> comm_;
    ProfileStore store_;
    SharedDeviceState state_;
    RecordingView view_;
    HotplugQueue hotplug_;
    std::unique_ptr<sim::SimulatedHotplugSource> source_;
    std::atomic<int> stored_type_{kDeviceType};
    std::atomic<bool> lighting_{false};
    std::atomic<long> clock_ms_{1'000'000};
    std::mutex sleep_mutex_;
    std::vector<long> sleeps_;
    std::unique_ptr<DeviceWorker> worker_;
};

}  // namespace veltra::test
