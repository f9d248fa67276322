#pragma once
// What the main-window measurements share: the composition the veltra-mouse program makes in
// demo mode (its catalogue, language, folders, skin and the simulated mouse the device link
// plugs on its cable), a notification area that is always there, and helpers to watch the
// process's threads and the window's event loop.
//
// The folders are the user's unless the caller points XDG_* and HOME elsewhere first
// (UseTemporaryHome); the program folder is the build tree's bin/, beside the executables.
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include <sys/syscall.h>
#include <unistd.h>

#include "config/app_info.h"
#include "device/device_worker.h"
#include "device/driver_comm.h"
#include "frontend/device_link.h"
#include "frontend/startup.h"
#include "idle_session.h"
#include "shell/app_folders.h"
#include "sim/simulated_backend.h"
#include "store/profile_store.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/control.h"
#include "ui/widgets/manager.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"
#include "ui/window/tray_port.h"

namespace veltra::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A desktop whose notification area takes the icon, so the window may hide into it.
class BenchTray : public ui::TrayPort {
  public:
    bool Available() const override { return true; }
    void SetHandlers(Handlers) override {}
    bool Show(const QIcon&, const QString&) override {
        visible_ = true;
        return true;
    }
    void Hide() override { visible_ = false; }
    bool Visible() const override { return visible_; }
    void SetIcon(const QIcon&) override {}
    void SetTooltip(const QString&) override {}
    void SetExitText(const QString&) override {}
    void ShowMessage(const QString&, const QString&, bool) override {}

  private:
    bool visible_ = false;
};

// Settings, data and runtime folders of a fresh user below a new temporary folder.
inline std::filesystem::path UseTemporaryHome(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path home = fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all, fs::perm_options::replace);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    return home;
}

// The main window over the demo mouse, composed as the program composes it.
class WindowSession {
  public:
    // `time_scale`: the simulated mouse's answer times (1 = a real mouse's). `wrap` may put a
    // watching backend around the device link's.
    using BackendWrap = std::function<std::unique_ptr<HidBackend>(std::unique_ptr<HidBackend>)>;
    explicit WindowSession(double time_scale, const BackendWrap& wrap = {}) {
        // A box would wait for a click nobody gives; say what it was and go on.
        ui::SetMessageBoxHook([](const QString& body, const QString&, int) {
            std::fprintf(stderr, "message box: %s\n", body.toUtf8().constData());
            return 1;
        });
        QApplication::setQuitOnLastWindowClosed(false);
        if (const std::optional<StartupValues> values = LoadStartupValues()) {
            ui::Manager::SetDeviceName(QString::fromStdString(values->caption));
            ui::Manager::SetSelectColor(values->theme_colour);
        }
        DriverComm& comm = DriverComm::Instance();
        StartupConfiguration configuration;
        if (!LoadStartupConfiguration(configuration, comm)) {
            std::fprintf(stderr, "no mouse model in %s\n",
                         configuration.config_file.string().c_str());
            std::exit(1);
        }
        const std::filesystem::path data = UserDataFolder();
        EnsureFolder(data / "db");
        DeleteFolderTree(data / "edit");
        EnsureFolder(data / "edit");
        ui::Manager::SetSkinRoot(QString::fromStdString(SkinsFolder().string()));
        ui::Manager::SetTheme(QString::fromLatin1(kDefaultTheme));

        const std::optional<ServedModel> served =
            ChooseServedModel(configuration.catalogue, std::nullopt);
        DeviceLinkOptions options;
        options.demo = true;
        options.device_type = served ? served->device_type : 0;
        options.demo_time_scale = time_scale;
        link_ = MakeDeviceLink(configuration.catalogue, options);
        comm.SetBackend(wrap ? wrap(std::move(link_.backend)) : std::move(link_.backend));

        ui::MainWindowEnvironment environment;
        environment.comm = &comm;
        environment.store = &ProfileStore::Instance();
        environment.hotplug = link_.hotplug.get();
        environment.tray = &tray_;
        environment.executable = "/usr/bin/veltra-mouse";
        window_ = std::make_unique<ui::DeviceMainDlg>(std::move(environment));
    }

    ~WindowSession() {
        window_.reset();
        ProfileStore::Instance().Close();
        ui::SetMessageBoxHook({});
    }

    ui::DeviceMainDlg& Window() { return *window_; }
    sim::SimulatedBackend& Bus() { return *link_.simulated; }
    int WiredDevice() const { return link_.demo_devices.wired; }
    int Mouse() const { return link_.demo_mouse; }

    // Shown as connected after a complete synchronisation.
    bool Connected() const {
        const DeviceState state = window_->DeviceStateView().Snapshot();
        return state.connected_shown && state.synced &&
               !window_->GetControl(ui::main_window::kDeviceList)->isHidden();
    }

  private:
    DeviceLink link_;
    BenchTray tray_;
    std::unique_ptr<ui::DeviceMainDlg> window_;
};

// Runs the event loop, as the program's own would run, until `done` holds (looked at every
// 5 ms) or `limit` passes; false on the limit.
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

// Processes events for `duration`, sleeping in the event loop as the program would.
inline void RunFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts the worker's reports reaching the window (each one a posted call) and when the last
// one came, so a caller can wait until the worker has gone quiet.
class ReportWatch : public QObject {
  public:
    explicit ReportWatch(QObject& window) { window.installEventFilter(this); }
    int Count() const { return count_; }
    Clock::time_point Last() const { return last_; }
    // Runs the event loop until no report came for `quiet`; false after `limit`.
    bool WaitQuiet(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
        return RunUntil([this, quiet] { return Clock::now() - last_ > quiet; }, limit);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) {
            ++count_;
            last_ = Clock::now();
        }
        return false;
    }

  private:
    int count_ = 0;
    Clock::time_point last_ = Clock::now();
};

// Shows the window and runs the event loop until the mouse is shown connected and the worker's
// reports have stopped for a second; says on stderr when the start-up synchronisation never ends.
inline bool ShowAndSync(WindowSession& session, ReportWatch& reports) {
    session.Window().ShowWindow(ui::kShow);
    if (RunUntil([&] { return session.Connected(); }, std::chrono::seconds(60)) &&
        reports.WaitQuiet(std::chrono::seconds(1), std::chrono::seconds(30))) {
        return true;
    }
    std::fprintf(stderr, "the start-up synchronisation did not end\n");
    return false;
}

// Threads of this process.
inline long ThreadId() {
    return static_cast<long>(::syscall(SYS_gettid));
}

inline std::set<long> ThreadIds() {
    std::set<long> ids;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        ids.insert(std::atol(task.path().filename().c_str()));
    }
    return ids;
}

// Voluntary plus involuntary context switches of one thread; -1 once it is gone.
inline long ThreadSwitches(long tid) {
    const std::string status = "/proc/self/task/" + std::to_string(tid) + "/status";
    return std::filesystem::exists(status) ? ContextSwitches(status) : -1;
}

inline std::string ThreadName(long tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// Names a thread of this process, so that it can be told apart here and in top or ps.
inline void NameThread(long tid, const std::string& name) {
    std::ofstream("/proc/self/task/" + std::to_string(tid) + "/comm") << name.substr(0, 15);
}

}  // namespace veltra::bench
