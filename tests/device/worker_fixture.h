#pragma once

// A device worker over the simulated bus with a recording device view, a fresh store and a
// fake receiver-poll clock. Sleeps of the device link are recorded, not taken.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
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

// Every update as one line of text, e.g. "ShowConnectionState 52".
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
        std::unique_lock lock(mutex_);
        const bool seen = changed_.wait_for(lock, std::chrono::seconds(20), [&] {
            return std::count(calls_.begin(), calls_.end(), call) >= times;
        });
        if (!seen) {
            for (const std::string& c : calls_) {
                ADD_FAILURE() << "seen: " << c;
            }
        }
        return seen;
    }

    void ClearProfiles() override { Add("ClearProfiles"); }
    void AddProfileItem(const std::string& text, int id) override {
        Add("AddProfileItem " + text + " " + std::to_string(id));
    }
    void SelectProfileItem(int id) override { Add("SelectProfileItem " + std::to_string(id)); }
    void ShowBattery(const BatteryInfo& b) override {
        Add("ShowBattery " + std::to_string(b.level) + (b.charging ? " charging" : ""));
    }
    void ShowConnectionState(int text) override {
        Add("ShowConnectionState " + std::to_string(text));
    }
    void ShowTabBar(bool shown) override { Add(std::string("ShowTabBar ") + (shown ? "1" : "0")); }
    void SelectTab(int index) override { Add("SelectTab " + std::to_string(index)); }
    void ShowHomePage(bool shown) override {
        Add(std::string("ShowHomePage ") + (shown ? "1" : "0"));
    }
    void ShowHomeHint(bool shown) override {
        Add(std::string("ShowHomeHint ") + (shown ? "1" : "0"));
    }
    void ShowDeviceList(bool shown) override {
        Add(std::string("ShowDeviceList ") + (shown ? "1" : "0"));
    }
    void SetAllDeviceState(int state) override {
        Add("SetAllDeviceState " + std::to_string(state));
    }
    void SetDeviceState(int type, int mode, int online) override {
        Add("SetDeviceState " + std::to_string(type) + " " + std::to_string(mode) + " " +
            std::to_string(online));
    }
    void SetDeviceVersion(int type, int release) override {
        Add("SetDeviceVersion " + std::to_string(type) + " " + std::to_string(release));
    }
    int SelectDevice(int type) override {
        Add("SelectDevice " + std::to_string(type));
        return type == kDeviceType ? type : kDeviceType;
    }
    void RefreshKeyPage(int profile) override { Add("RefreshKeyPage " + std::to_string(profile)); }
    void RefreshMacroPage() override { Add("RefreshMacroPage"); }
    void RefreshPerformancePage(int profile) override {
        Add("RefreshPerformancePage " + std::to_string(profile));
    }
    void RefreshLightingPage(int profile) override {
        Add("RefreshLightingPage " + std::to_string(profile));
    }
    void EndWaitDialog() override { Add("EndWaitDialog"); }
    void ShowDpiLevel(int level, int value, int type) override {
        Add("ShowDpiLevel " + std::to_string(level) + " " + std::to_string(value) + " " +
            std::to_string(type));
    }
    void ShowReportRate(int rate) override { Add("ShowReportRate " + std::to_string(rate)); }
    void PopupDpiValue(int value) override { Add("PopupDpiValue " + std::to_string(value)); }
    void PopupReportRate(int rate) override { Add("PopupReportRate " + std::to_string(rate)); }
    void StopMacroRecording() override { Add("StopMacroRecording"); }

  private:
    void Add(std::string call) {
        {
            const std::lock_guard lock(mutex_);
            calls_.push_back(std::move(call));
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
};

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
        Worker().QueueTask(1);
        Worker().StartWorker();
        ASSERT_TRUE(view_.WaitFor("RefreshPerformancePage 1"));
        ASSERT_TRUE(view_.WaitFor("EndWaitDialog"));
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
    DeviceState state_;
    RecordingView view_;
    HotplugQueue hotplug_;
    std::unique_ptr<sim::SimulatedHotplugSource> source_;
    std::atomic<int> stored_type_{kDeviceType};
    std::atomic<long> clock_ms_{1'000'000};
    std::mutex sleep_mutex_;
    std::vector<long> sleeps_;
    std::unique_ptr<DeviceWorker> worker_;
};

}  // namespace veltra::test
