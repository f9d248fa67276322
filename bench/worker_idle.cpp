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

#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "idle_session.h"
#include "sim/simulated_backend.h"
#include "store/profile_store.h"

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
    comm.AddDevice(0x3554, 0xF5D5, "", veltra::bench::kIdleDeviceType,
                   veltra::ConnectionMode::Wired);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("worker_idle_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "db");
    veltra::ProfileStore store;
    veltra::SharedDeviceState state;
    veltra::bench::SilentView view;
    veltra::WorkerHooks hooks = veltra::bench::IdleHooks(store, folder);
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
