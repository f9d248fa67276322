// Runs the device worker idle for a while, with or without a simulated mouse, so that
// bench/idle_wakeups.sh can count the process's context switches.
//
//   worker_idle none|device <seconds>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

#include "device/device_view.h"
#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "sim/simulated_backend.h"
#include "store/profile_store.h"

namespace {

class SilentView : public veltra::DeviceView {
  public:
    void DeviceListChanged(const veltra::DeviceList&) override {}
    void ConnectionChanged(const veltra::ConnectionUpdate&) override {}
    void ProfilesChanged(const veltra::ProfileList&) override {}
    void BatteryChanged(const veltra::BatteryInfo&) override {}
    void SettingsRefreshed(const veltra::PageRefresh&) override {}
    void MouseSettingsChanged(const veltra::MouseSettingsChange&) override {}
    void TaskFinished(veltra::TaskCode) override {}
};

constexpr int kDeviceType = 101;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s none|device <seconds>\n", argv[0]);
        return 2;
    }
    const bool with_device = std::string(argv[1]) == "device";
    const int seconds = std::atoi(argv[2]);

    auto backend =
        std::make_unique<veltra::sim::SimulatedBackend>(veltra::sim::BackendOptions{1.0, false});
    veltra::sim::SimulatedBackend& bus = *backend;
    if (with_device) {
        bus.Plug(bus.AddMouse(), veltra::sim::Link::Wired, 0x3554, 0xF5D5);
    }
    veltra::DriverComm comm(std::move(backend));
    comm.AddDevice(0x3554, 0xF5D5, "", kDeviceType, veltra::ConnectionMode::Wired);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("worker_idle_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "db");
    veltra::ProfileStore store;
    veltra::SharedDeviceState state;
    SilentView view;
    veltra::WorkerHooks hooks;
    hooks.load_device_model = [&] {
        if (!store.IsOpen()) {
            store.SwitchDeviceModel(folder, "Mouse", kDeviceType);
        }
        return false;
    };
    hooks.read_device_type = [] { return kDeviceType; };
    hooks.write_device_type = [](int) {};
    hooks.profile_word = [] { return std::string("Profile"); };
    {
        veltra::DeviceWorker worker(comm, store, state, view, hooks);
        worker.QueueTask(veltra::TaskCode::InitialSync);
        worker.StartWorker();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        worker.StopWorker();
    }
    store.Close();
    std::filesystem::remove_all(folder);
    const veltra::DeviceState last = state.Snapshot();
    std::printf("synced=%d devices_present=%d\n", last.synced ? 1 : 0,
                last.devices_present ? 1 : 0);
    return 0;
}
