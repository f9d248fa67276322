#include "window/window_fixture.h"

#include <QThread>

#include "config/language.h"
#include "device/device_worker.h"
#include "frontend/startup.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/manager.h"
#include "ui/window/desktop_hooks.h"

namespace veltra::ui::testing {

namespace fs = std::filesystem;

bool FakeTray::Show(const QIcon& shown, const QString& tip) {
    if (!available) {
        return false;
    }
    visible = true;
    icon = shown;
    tooltip = tip;
    return true;
}

void FakeTray::ShowMessage(const QString& title, const QString& body, bool urgent) {
    (void)urgent;
    if (visible) {
        messages.emplace_back(title, body);
    }
}

bool FakePointerSettings::Supports(PointerSetting setting) const {
    const std::lock_guard lock(mutex_);
    return values.contains(setting);
}

bool FakePointerSettings::Accepts(PointerSetting setting, int value) const {
    return Supports(setting) && (value != kWheelPageScroll || page_scroll);
}

std::optional<int> FakePointerSettings::Read(PointerSetting setting) {
    const std::lock_guard lock(mutex_);
    const auto found = values.find(setting);
    return found == values.end() ? std::nullopt : std::optional<int>(found->second);
}

PointerWrite FakePointerSettings::Write(PointerSetting setting, int value) {
    const std::lock_guard lock(mutex_);
    writes.emplace_back(setting, value);
    if (!values.contains(setting)) {
        return PointerWrite::Unsupported;
    }
    if (outcome && *outcome == PointerWrite::Failed) {
        return *outcome;
    }
    values[setting] = value;
    return outcome.value_or(PointerWrite::Applied);
}

WindowTest::WindowTest()
    : program_("VELTRA_PROGRAM_FOLDER", VELTRA_BIN_DIR),
      config_("XDG_CONFIG_HOME", (dir_ / "config").string()),
      data_("XDG_DATA_HOME", (dir_ / "data").string()),
      runtime_("XDG_RUNTIME_DIR", (dir_ / "run").string()),
      home_("HOME", dir_.path().string()) {
    fs::create_directories(dir_ / "run");
    fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    sim::BackendOptions options;
    options.time_scale = 0;
    auto backend = std::make_unique<sim::SimulatedBackend>(options);
    backend_ = backend.get();
    mouse_ = backend_->AddMouse();
    comm_ = std::make_unique<DriverComm>(std::move(backend));
    comm_->SetSleeper([](std::chrono::milliseconds) {});
    hotplug_ = std::make_unique<sim::SimulatedHotplugSource>(*backend_);

    StartupConfiguration configuration;
    LoadStartupConfiguration(configuration, *comm_);
    SetLanguage(1033);
    Manager::SetDeviceName(QString::fromStdString(ApplicationCaption()));
    Manager::SetSkinRoot(QString::fromStdString(SkinsFolder().string()));
    Manager::SetTheme(QString::fromLatin1(kDefaultTheme));
    EnsureFolder(UserDataFolder() / "db");
    SetMessageBoxHook([this](const QString& body, const QString& title, int kind) {
        boxes_.push_back(body.toStdString() + " | " + title.toStdString() + " | " +
                         std::to_string(kind));
        return box_answer_;
    });
    SetUrlOpenerHook([this](const QString& address) { opened_urls_.push_back(address); });
}

WindowTest::~WindowTest() {
    window_.reset();
    store_.Close();
    SetMessageBoxHook({});
    SetUrlOpenerHook({});
}

void WindowTest::SetLanguage(int language) {
    SetCurrentLanguageId(language);
    WriteLanguageId(language);
}

void WindowTest::OpenWindow(bool plugged) {
    if (plugged && wired_ < 0) {
        wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5D5);
    }
    MainWindowEnvironment environment;
    environment.comm = comm_.get();
    environment.store = &store_;
    environment.hotplug = hotplug_.get();
    environment.tray = with_tray_ ? &tray_ : nullptr;
    environment.notices = notice_port_;
    environment.pointer = pointer_.get();
    environment.executable = "/opt/veltra mouse/bin/veltra-mouse";
    environment.worker_period_ms = 2;
    environment.starter = &starter_;
    environment.extra_menu_title = 595;
    environment.extra_menu = extra_menu_;
    environment.mouse_without_access = [this] { return mouse_without_access_; };
    environment.clock = [this] {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(clock_ms_.load()));
    };
    window_ = std::make_unique<DeviceMainDlg>(std::move(environment));
    ASSERT_TRUE(window_->CreateMain());
    window_->ShowWindow(kShow);
    if (plugged) {
        ASSERT_TRUE(WaitForConnection(true));
    } else {
        ASSERT_TRUE(WaitUntil([this] { return window_->Worker().TaskQueueEmpty(); }));
    }
}

bool WindowTest::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    QCoreApplication::processEvents();
    return true;
}

::testing::AssertionResult WindowTest::WaitForConnection(bool connected) {
    const QString text = QString::fromStdString(GetLangText(connected ? 51 : 50));
    if (WaitUntil([this, connected, text] {
            // Connected: until the synchronisation has read the mouse and listed the profiles.
            const bool settled = connected ? window_->DeviceStateView().Snapshot().synced &&
                                                 Get<MComboBox>(ids::kProfileCombo)->GetCount() > 0
                                           : window_->Worker().TaskQueueEmpty();
            return Control(ids::kDeviceList)->isHidden() != connected &&
                   Title(ids::kConnectionState) == text && settled;
        })) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "device list hidden " << Control(ids::kDeviceList)->isHidden()
           << ", connection state '" << Title(ids::kConnectionState).toStdString()
           << "', task queue empty " << window_->Worker().TaskQueueEmpty();
}

void WindowTest::Act(int id, int param) {
    MControl* control = Control(id);
    ASSERT_NE(control, nullptr) << "control " << id;
    window_->Notify(*control, Event::Action, param);
}

void WindowTest::Notify(int id, Event event, int param) {
    MControl* control = Control(id);
    ASSERT_NE(control, nullptr) << "control " << id;
    window_->Notify(*control, event, param);
}

std::vector<std::vector<std::uint8_t>> WindowTest::ConfigWrites() const {
    std::vector<std::vector<std::uint8_t>> writes;
    for (const sim::TrafficEntry& entry : backend_->Traffic()) {
        // Report id, 0x55 0xAA, then the command.
        if (entry.op == sim::TrafficEntry::Op::Write && entry.data.size() > 3 &&
            entry.data[3] == 0x02) {
            writes.push_back(entry.data);
        }
    }
    return writes;
}

bool WindowTest::Shown(int id) const {
    const MControl* control = Control(id);
    return control != nullptr && control->isVisibleTo(window_.get());
}

QRect WindowTest::WindowRect(int id) const {
    const MControl* control = Control(id);
    return QRect(control->mapTo(window_.get(), QPoint(0, 0)), control->size());
}

QString WindowTest::Title(int id) const {
    const auto* control = dynamic_cast<const MControlFont*>(Control(id));
    return control == nullptr ? QString() : control->GetTitle();
}

fs::path WindowTest::StorePath() const {
    return fs::path(store_.Path());
}

test::ProcessResult WindowTest::RunVeltractl(const std::vector<std::string>& args,
                                             const std::filesystem::path& home) const {
    std::filesystem::create_directories(home);
    const std::vector<std::string> env = {"HOME=" + home.string(),
                                          "XDG_CONFIG_HOME=" + (home / "config").string(),
                                          "XDG_DATA_HOME=" + (home / "data").string(),
                                          "VELTRA_PROGRAM_FOLDER=" VELTRA_BIN_DIR, "LANG=C"};
    std::vector<std::string> argv = {
        (std::filesystem::path(VELTRA_BIN_DIR) / "veltractl").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::RunProcess(argv, env, home);
}

}  // namespace veltra::ui::testing
