#pragma once
// What the idle measurements share: a device view that ignores everything and the worker's
// hooks for one simulated model whose database lies in a temporary folder.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "device/device_view.h"
#include "device/device_worker.h"
#include "store/profile_store.h"

namespace veltra::bench {

inline constexpr int kIdleDeviceType = 101;

class SilentView : public DeviceView {
  public:
    void DeviceListChanged(const DeviceList&) override {}
    void ConnectionChanged(const ConnectionUpdate&) override {}
    void ProfilesChanged(const ProfileList&) override {}
    void BatteryChanged(const BatteryInfo&) override {}
    void SettingsRefreshed(const PageRefresh&) override {}
    void MouseSettingsChanged(const MouseSettingsChange&) override {}
    void TaskFinished(TaskCode) override {}
};

inline WorkerHooks IdleHooks(ProfileStore& store, const std::filesystem::path& folder) {
    WorkerHooks hooks;
    hooks.load_device_model = [&store, folder] {
        if (!store.IsOpen()) {
            store.SwitchDeviceModel(folder, "Mouse", kIdleDeviceType);
        }
        return false;
    };
    hooks.read_device_type = [] { return kIdleDeviceType; };
    hooks.write_device_type = [](int) {};
    hooks.profile_word = [] { return std::string("Profile"); };
    return hooks;
}

// Voluntary and involuntary context switches in a /proc status file (of a thread or the
// process); 0 when it cannot be read.
inline long ContextSwitches(const std::string& status_path) {
    std::ifstream in(status_path);
    std::string line;
    long sum = 0;
    while (std::getline(in, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
            sum += std::atol(line.substr(line.find(':') + 1).c_str());
        }
    }
    return sum;
}

}  // namespace veltra::bench
