#include "app/window_app.h"

#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/command_host.h"
#include "app/demo_menu.h"
#include "app/termination.h"
#include "cli/traffic_tap.h"
#include "common/log.h"
#include "config/app_info.h"
#include "config/catalogue.h"
#include "device/driver_comm.h"
#include "frontend/demo_controls.h"
#include "frontend/device_link.h"
#include "frontend/startup.h"
#include "platform/linux/desktop_pointer.h"
#include "platform/linux/hidraw_access.h"
#include "shell/app_folders.h"
#include "shell/instance_channel.h"
#include "shell/instance_client.h"
#include "shell/settings_key.h"
#include "shell/startup_rules.h"
#include "store/profile_store.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/manager.h"
#include "ui/window/desktop_notices.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/single_instance.h"
#include "ui/window/tray_port.h"

namespace veltra::app {

namespace {

constexpr const char* kUsage =
    "usage: veltra-mouse [--demo] [-autorun]\n"
    "  --demo     run on the built-in simulated mouse, with a demo menu in the bottom bar\n"
    "  -autorun   started with the session (begins in the notification area when the\n"
    "             program settings say so)\n";

// Set for the second run after the scaling was decided, so the decision is made once.
constexpr const char* kScalingDecided = "VELTRA_SCALING_DECIDED";
// The language text of the demo menu's button.
constexpr int kTextDemoMenu = 595;

// A small screen, or a full-HD screen at a large scale, gets the window's pixels one to one, so
// the 1280 x 780 window fits. Qt reads its scale factor once at start, so a change means
// starting again with the factor that undoes the desktop's.
bool RestartUnscaledIfNeeded(char** argv) {
    if (std::getenv(kScalingDecided) != nullptr || std::getenv("QT_SCALE_FACTOR") != nullptr) {
        return false;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return false;
    }
    const qreal ratio = screen->devicePixelRatio();
    const QSize pixels = screen->geometry().size() * ratio;
    MonitorDpiQuery query;
    query.has_monitor = true;
    query.facility_present = true;
    query.effective_dpi = static_cast<int>(std::lround(screen->logicalDotsPerInchX() * ratio));
    const bool unscaled = ShouldDeclareDpiAware(
        pixels.width(), pixels.height(), [&query] { return QueryMonitorScale(query, [] {}); });
    if (!unscaled || std::abs(ratio - 1.0) < 0.01) {
        return false;
    }
    setenv(kScalingDecided, "1", 1);
    setenv("QT_SCALE_FACTOR", QByteArray::number(1.0 / ratio).constData(), 1);
    execv("/proc/self/exe", argv);
    // Running on as before is better than not running.
    return false;
}

void PrepareFolders() {
    const std::filesystem::path data = UserDataFolder();
    EnsureFolder(data / "db");
    DeleteFolderTree(data / "edit");
    EnsureFolder(data / "edit");
}

}  // namespace

ParsedOptions ParseAppOptions(const std::vector<std::string>& arguments) {
    AppOptions options;
    for (const std::string& argument : arguments) {
        if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "-autorun" || argument == "--autorun") {
            options.autorun = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else {
            return {std::nullopt, argument};
        }
    }
    return {options, {}};
}

int RunWindowApp(int argc, char** argv) {
    const ParsedOptions parsed = ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "veltra-mouse: unknown argument '%s'\n%s", parsed.error.c_str(),
                     kUsage);
        return 2;
    }
    const AppOptions options = *parsed.options;
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    QApplication::setApplicationName(QStringLiteral("veltra-mouse"));
    QGuiApplication::setDesktopFileName(QStringLiteral("veltra-mouse"));
    QApplication application(argc, argv);
    if (RestartUnscaledIfNeeded(argv)) {
        return 0;
    }
    // The window hides into the notification area; closing it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::optional<StartupValues> values = LoadStartupValues();
    if (values) {
        ui::Manager::SetDeviceName(QString::fromStdString(values->caption));
        ui::Manager::SetSelectColor(values->theme_colour);
    }
    if (options.version) {
        const Catalogue catalogue = LoadCatalogue();
        std::printf("veltra-mouse %s\n", catalogue.software.version.c_str());
        return 0;
    }

    ui::SingleInstance instance(ApplicationCaption());
    switch (instance.Claim()) {
        case ui::SingleInstance::Role::Second: {
            // The running window shows itself; this start touches nothing else.
            InstanceRequest show;
            show.kind = InstanceRequest::Kind::Show;
            if (!SendInstanceRequest(instance.SocketPath(), show, std::chrono::seconds(5))) {
                std::fprintf(stderr, "veltra-mouse: another instance runs but does not answer\n");
            }
            return 0;
        }
        case ui::SingleInstance::Role::Alone:
            Log(LogLevel::Warning,
                "running without the single-instance guard: " + instance.Problem());
            break;
        case ui::SingleInstance::Role::First:
            break;
    }

    DriverComm& comm = DriverComm::Instance();
    StartupConfiguration configuration;
    if (!LoadStartupConfiguration(configuration, comm)) {
        std::fprintf(stderr, "veltra-mouse: no mouse model found in %s\n",
                     configuration.config_file.string().c_str());
    }
    PrepareFolders();
    ui::Manager::SetSkinRoot(QString::fromStdString(SkinsFolder().string()));
    ui::Manager::SetTheme(QString::fromLatin1(kDefaultTheme));

    const std::optional<ServedModel> served =
        ChooseServedModel(configuration.catalogue, std::nullopt);
    DeviceLinkOptions link_options;
    link_options.demo = options.demo;
    link_options.device_type = served ? served->device_type : 0;
    DeviceLink link = MakeDeviceLink(configuration.catalogue, link_options);
    // The commands the window carries out for veltractl report the frames they sent.
    const cli::WindowLink command_link{.comm = &comm,
                                       .store = &ProfileStore::Instance(),
                                       .tap = std::make_shared<cli::TrafficTap>(),
                                       .simulated = link.kind == DeviceLinkKind::Simulated,
                                       .hidraw = link.kind == DeviceLinkKind::Platform};
    command_link.tap->RecordWrites(false);
    comm.SetBackend(cli::MakeTapBackend(std::move(link.backend), command_link.tap));

    ui::QtTray tray;
    // Without a notification service on the session bus, a warning comes from the tray icon.
    ui::DBusNotices notices(
        QDBusConnection::sessionBus(), QString::fromStdString(ApplicationCaption()),
        QStringLiteral("veltra-mouse"), [&tray](const ui::DesktopNotice& notice) {
            tray.ShowMessage(notice.title, notice.body, notice.urgent);
        });
    const char* current_desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const std::unique_ptr<PointerSettings> pointer = OpenPointerSettings(
        DetectPointerDesktop(current_desktop != nullptr ? current_desktop : ""));
    ui::MainWindowEnvironment environment;
    environment.comm = &comm;
    environment.store = &ProfileStore::Instance();
    environment.hotplug = link.hotplug.get();
    environment.tray = &tray;
    environment.notices = &notices;
    environment.pointer = pointer.get();
    if (link.kind == DeviceLinkKind::Platform) {
        std::vector<std::pair<int, int>> pairs;
        for (const DeviceModelEntry& mode : configuration.catalogue.modes) {
            pairs.emplace_back(mode.vid, mode.pid);
        }
        environment.mouse_without_access = [pairs] {
            return !FindInaccessibleHidrawNodes(pairs).empty();
        };
    }
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    environment.executable = error ? std::string(argv[0]) : executable.string();
    std::shared_ptr<DemoControls> demo;
    if (link.simulated != nullptr) {
        demo = std::make_shared<DemoControls>(*link.simulated, link.demo_mouse,
                                              configuration.catalogue, link_options.device_type,
                                              link.demo_devices);
        environment.extra_menu_title = kTextDemoMenu;
        environment.extra_menu = DemoMenuEntries(demo);
    }

    ui::DeviceMainDlg window(std::move(environment));
    if (!window.CreateMain()) {
        std::fprintf(stderr, "veltra-mouse: the window cannot be created\n");
        return 1;
    }
    instance.SetHandler(
        [&window, &command_link](const InstanceRequest& request, ui::SingleInstance::Reply reply) {
            switch (request.kind) {
                case InstanceRequest::Kind::Show:
                    window.ShowAndRaise();
                    break;
                case InstanceRequest::Kind::WindowMessage:
                    window.OnWindowMessage(request.message, request.wparam, request.lparam);
                    break;
                case InstanceRequest::Kind::Command:
                    CarryOutCommand(window, command_link, request, std::move(reply));
                    break;
            }
        });
    TerminationWatch termination([&window] { window.Shutdown(0); });
    int show = ui::kShow;
    if (options.autorun && ReadSettingValue(kAutorunMinimizeValue) == 1) {
        // Hidden needs a notification area to come back from; without one, minimised.
        show = window.CanHideToTray() ? ui::kShowHide : ui::kShowMinimized;
    }
    window.ShowModal(show);
    return window.ExitCode();
}

}  // namespace veltra::app
