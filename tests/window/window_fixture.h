#pragma once
// The main window over the simulated mouse, offscreen: a private program folder view of the
// build's data, private settings, data and runtime folders, a simulated mouse on its cable that
// answers at once, and a notification area the test controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/driver_comm.h"
#include "shell/pointer_settings.h"
#include "sim/simulated_backend.h"
#include "sim/simulated_hotplug_source.h"
#include "store/profile_store.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/update_packages.h"
#include "ui/widgets/control.h"
#include "ui/widgets/events.h"
#include "ui/window/desktop_notices.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"
#include "ui/window/tray_port.h"

namespace veltra::ui::testing {

namespace ids = main_window;

// A notification area that is there or not, as the test says.
class FakeTray : public TrayPort {
  public:
    bool available = true;
    bool visible = false;
    QString tooltip;
    QString exit_text;
    Handlers handlers;
    QIcon icon;
    // Title and body of each message shown from the icon.
    std::vector<std::pair<QString, QString>> messages;

    bool Available() const override { return available; }
    void SetHandlers(Handlers h) override { handlers = std::move(h); }
    bool Show(const QIcon& icon, const QString& tip) override;
    void Hide() override { visible = false; }
    bool Visible() const override { return visible; }
    void SetIcon(const QIcon& i) override { icon = i; }
    void SetTooltip(const QString& tip) override { tooltip = tip; }
    void SetExitText(const QString& text) override { exit_text = text; }
    void ShowMessage(const QString& title, const QString& body, bool urgent) override;
};

// Desktop notices as the window sends them.
class FakeNotices : public NoticePort {
  public:
    std::vector<DesktopNotice> shown;

    void Show(const DesktopNotice& notice) override { shown.push_back(notice); }
};

// A desktop with the settings the test gives it; writes take effect unless an outcome is set.
class FakePointerSettings : public PointerSettings {
  public:
    PointerDesktop desktop = PointerDesktop::Gnome;
    std::map<PointerSetting, int> values = {{PointerSetting::Speed, 10},
                                            {PointerSetting::Precision, 1},
                                            {PointerSetting::DoubleClick, 400}};
    bool page_scroll = false;
    std::optional<PointerWrite> outcome;
    std::vector<std::pair<PointerSetting, int>> writes;

    PointerDesktop Desktop() const override { return desktop; }
    bool Supports(PointerSetting setting) const override;
    bool Accepts(PointerSetting setting, int value) const override;
    std::optional<int> Read(PointerSetting setting) override;
    PointerWrite Write(PointerSetting setting, int value) override;

  private:
    mutable std::mutex mutex_;
};

class WindowTest : public ::testing::Test {
  protected:
    WindowTest();
    ~WindowTest() override;

    // Builds and shows the window; waits until the mouse is shown as connected when one is
    // plugged.
    void OpenWindow(bool plugged = true);
    // Processes events until `done` holds; false when it never does.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(20));
    ::testing::AssertionResult WaitForConnection(bool connected);

    // A user's action on a control, as the control reports it.
    void Act(int id, int param = 0);
    void Notify(int id, Event event, int param = 0);
    // Config-block writes the simulated mouse received, as written.
    std::vector<std::vector<std::uint8_t>> ConfigWrites() const;
    MControl* Control(int id) const { return window_->GetControl(id); }
    template <typename T>
    T* Get(int id) const {
        return window_->Get<T>(id);
    }
    // Shown as far as the window is concerned (the window itself may be hidden).
    bool Shown(int id) const;
    QRect WindowRect(int id) const;
    QString Title(int id) const;

    void SetLanguage(int language);
    std::filesystem::path StorePath() const;
    // Runs veltractl with `args` and a home, settings and store of its own below `home`.
    test::ProcessResult RunVeltractl(const std::vector<std::string>& args,
                                     const std::filesystem::path& home) const;

    test::TempDir dir_;
    test::ScopedEnv program_;
    test::ScopedEnv config_;
    test::ScopedEnv data_;
    test::ScopedEnv runtime_;
    test::ScopedEnv home_;
    sim::SimulatedBackend* backend_ = nullptr;
    std::unique_ptr<DriverComm> comm_;
    ProfileStore store_;
    std::unique_ptr<sim::SimulatedHotplugSource> hotplug_;
    FakeTray tray_;
    FakeNotices notices_;
    // The window's notices; a test may give it another port before opening the window.
    NoticePort* notice_port_ = &notices_;
    // The desktop's pointer settings; null: no supported desktop.
    std::unique_ptr<FakePointerSettings> pointer_ = std::make_unique<FakePointerSettings>();
    bool with_tray_ = true;
    bool mouse_without_access_ = false;
    std::vector<ExtraMenuEntry> extra_menu_;
    // The worker's receiver-poll clock, advanced by the test.
    std::atomic<std::int64_t> clock_ms_{0};
    int mouse_ = -1;
    int wired_ = -1;
    std::unique_ptr<DeviceMainDlg> window_;
    // Message boxes the window showed: body, title, kind; answered by `box_answer`.
    std::vector<std::string> boxes_;
    int box_answer_ = 1;
    std::vector<QString> opened_urls_;
    // What an update would start; nothing is run.
    test::RecordingStarter starter_;
};

}  // namespace veltra::ui::testing
