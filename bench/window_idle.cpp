// Wake-ups of the user-interface thread while a window with every control class sits idle,
// next to the device worker serving a simulated mouse in the same process. The window should
// add nothing to the worker's share: no timer runs while nothing animates.
//
//   window_idle <seconds>   (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "idle_session.h"
#include "sim/simulated_backend.h"
#include "store/profile_store.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/widgets/control.h"
#include "ui/widgets/control_factory.h"
#include "ui/widgets/dialog.h"

namespace {

long ProcessSwitches() {
    long sum = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        sum += veltra::bench::ContextSwitches((task.path() / "status").string());
    }
    return sum;
}

class EveryControl : public veltra::ui::MDialog {
  protected:
    void OnCreateControls(const QRect&) override {
        int id = 100;
        int y = 0;
        for (std::string_view name : veltra::ui::ControlClassNames()) {
            CreateControl(name, id++, QRect(10, y, 200, 30))->AddMTimer();
            y += 32;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seconds>\n", argv[0]);
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    auto backend =
        std::make_unique<veltra::sim::SimulatedBackend>(veltra::sim::BackendOptions{1.0, false});
    veltra::sim::SimulatedBackend& bus = *backend;
    bus.Plug(bus.AddMouse(), veltra::sim::Link::Wired, 0x3554, 0xF5D5);
    veltra::DriverComm comm(std::move(backend));
    comm.AddDevice(0x3554, 0xF5D5, "", veltra::bench::kIdleDeviceType,
                   veltra::ConnectionMode::Wired);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("window_idle_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "db");
    veltra::ProfileStore store;
    veltra::SharedDeviceState state;
    veltra::bench::SilentView view;
    veltra::WorkerHooks hooks = veltra::bench::IdleHooks(store, folder);

    EveryControl window;
    window.Create(nullptr, QStringLiteral("idle"), veltra::ui::kStylePopup,
                  QRect(0, 0, 1280, 1400));
    window.show();
    veltra::ui::DPIMsgDlg popup(&window);
    popup.ShowDPI(1600);

    const std::string ui_status =
        "/proc/self/task/" + std::to_string(::syscall(SYS_gettid)) + "/status";
    long ui_before = 0;
    long all_before = 0;
    {
        veltra::DeviceWorker worker(comm, store, state, view, hooks);
        worker.QueueTask(veltra::TaskCode::InitialSync);
        worker.StartWorker();
        // Past the start-up, the first synchronisation and the pop-up's two seconds.
        QTimer::singleShot(3000, [&] {
            ui_before = veltra::bench::ContextSwitches(ui_status);
            all_before = ProcessSwitches();
        });
        QTimer::singleShot(3000 + seconds * 1000, &app, &QApplication::quit);
        app.exec();
        long ui = veltra::bench::ContextSwitches(ui_status) - ui_before;
        long all = ProcessSwitches() - all_before;
        std::printf(
            "window idle %d s: ui thread %ld switches (%.1f/s), whole process %ld (%.1f/s)%s\n",
            seconds, ui, static_cast<double>(ui) / seconds, all, static_cast<double>(all) / seconds,
            window.AnimationRunning() ? ", animation timer RUNNING" : "");
        worker.StopWorker();
    }
    store.Close();
    std::filesystem::remove_all(folder);
    return 0;
}
