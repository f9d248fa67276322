// The frame, the navigation between views and the language of the main window.
#include <gtest/gtest.h>

#include <QMenu>

#include "app/window_app.h"
#include "config/language.h"
#include "device/device_worker.h"
#include "shell/settings_key.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/tabs.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

TEST_F(WindowTest, FrameAndPagesTakeTheirPlacesAt1280By780) {
    OpenWindow();
    EXPECT_EQ(window_->size(), QSize(1280, 780));
    for (int page : {ids::kButtonsPage, ids::kDpiPage, ids::kMacroPage, ids::kLightingPage,
                     ids::kPerformancePage}) {
        EXPECT_EQ(WindowRect(page), Edges(205, 110, 1279, 750)) << "page " << page;
    }
    EXPECT_EQ(WindowRect(ids::kDeviceList), Edges(60, 160, 1220, 680));
    EXPECT_EQ(WindowRect(ids::kSettingsPage), Edges(1, 50, 1279, 740));
    EXPECT_EQ(WindowRect(ids::kCloseButton), Edges(1237, 10, 1267, 40));
    EXPECT_EQ(WindowRect(ids::kMinimizeButton), Edges(1197, 10, 1227, 40));
    EXPECT_EQ(WindowRect(ids::kSettingsButton), Edges(1157, 10, 1187, 40));
    EXPECT_EQ(WindowRect(ids::kProfileCombo), Edges(560, 60, 720, 90));
    EXPECT_EQ(WindowRect(ids::kTabBar), Edges(1, 110, 191, 470));
    EXPECT_EQ(WindowRect(ids::kVersionLabel), Edges(10, 745, 210, 775));
    EXPECT_EQ(Title(ids::kVersionLabel), QStringLiteral("Version: v1.0.0"));
    // Every page container is there, the macro page without a tab.
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    ASSERT_EQ(tabs->GetItemCount(), 5);
    const int items[] = {1, 2, 3, 5, 6};
    for (int index = 0; index < 5; ++index) {
        EXPECT_EQ(tabs->GetItemId(index), items[index]);
    }
    EXPECT_FALSE(Shown(ids::kMacroPage));
}

TEST_F(WindowTest, StartsAtHomeAndOpensTheDevicePagesWhenTheMouseAnswers) {
    OpenWindow(false);
    EXPECT_TRUE(Shown(ids::kNoticeText));
    EXPECT_EQ(Title(ids::kNoticeText), QStringLiteral("Please connect your mouse"));
    EXPECT_FALSE(Shown(ids::kDeviceList));
    EXPECT_FALSE(Shown(ids::kTabBar));
    EXPECT_FALSE(Shown(ids::kProfileCombo));
    EXPECT_TRUE(window_->CurrentTabItem() == ids::kTabHome);

    wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5D5);
    ASSERT_TRUE(WaitForConnection(true));
    EXPECT_TRUE(Shown(ids::kTabBar));
    EXPECT_FALSE(Shown(ids::kNoticeText));
    EXPECT_EQ(Get<MTabCtrl>(ids::kTabBar)->GetSelectItem(), 1);
    EXPECT_TRUE(Shown(ids::kButtonsPage));
    EXPECT_TRUE(Shown(ids::kBattery));
    EXPECT_EQ(Get<MComboBox>(ids::kProfileCombo)->GetCount(), 5);
    EXPECT_EQ(Get<MComboBox>(ids::kProfileCombo)->GetCurData(), 1);
    EXPECT_EQ(Get<CDeviceState>(ids::kConnectionState)->GetConnectionMode(), kModeWired);
}

TEST_F(WindowTest, AMouseThisUserMayNotOpenIsExplainedInsteadOfNoMouse) {
    mouse_without_access_ = true;
    OpenWindow(false);
    EXPECT_TRUE(Shown(ids::kNoticeText));
    EXPECT_TRUE(Title(ids::kNoticeText).contains(QString::fromStdString(GetLangText(593))));
    // The longer explanation gets a larger notice.
    EXPECT_GT(WindowRect(ids::kNoticeText).height(), 80);

    // Once the rule is installed and the mouse replugged, it is found as any mouse.
    mouse_without_access_ = false;
    wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5D5);
    ASSERT_TRUE(WaitForConnection(true));
    backend_->Unplug(wired_);
    ASSERT_TRUE(WaitForConnection(false));
    EXPECT_EQ(Title(ids::kNoticeText), QStringLiteral("Please connect your mouse"));
    EXPECT_EQ(WindowRect(ids::kNoticeText), Edges(390, 160, 890, 240));
}

TEST_F(WindowTest, HomeTabHidesTheBarAndOnlyTheDeviceListLeadsBack) {
    OpenWindow();
    Get<MTabCtrl>(ids::kTabBar)->SetSelectItem(0);
    Act(ids::kTabBar, 0);
    EXPECT_FALSE(Shown(ids::kTabBar));
    EXPECT_FALSE(Shown(ids::kTabBackground));
    EXPECT_FALSE(Shown(ids::kProfileCombo));
    EXPECT_TRUE(Shown(ids::kDeviceList));
    EXPECT_EQ(window_->CurrentTabItem(), ids::kTabHome);

    // The model already served: nothing is queued, the buttons page opens.
    Get<CDeviceList>(ids::kDeviceList)->SetSelectDevice(101);
    Act(ids::kDeviceList, 101);
    EXPECT_TRUE(window_->Worker().TaskQueueEmpty());
    EXPECT_EQ(window_->CurrentWaitDialog(), nullptr);
    EXPECT_TRUE(Shown(ids::kTabBar));
    EXPECT_EQ(Get<MTabCtrl>(ids::kTabBar)->GetSelectItem(), 1);
    EXPECT_TRUE(Shown(ids::kButtonsPage));
    EXPECT_TRUE(Shown(ids::kProfileCombo));
}

TEST_F(WindowTest, ReturnFromTheSettingsPageDependsOnTheMouseAndTheTab) {
    OpenWindow();
    // From the DPI page with a mouse: back to the buttons page.
    Get<MTabCtrl>(ids::kTabBar)->SetSelectItem(2);
    Act(ids::kTabBar, 2);
    Act(ids::kSettingsButton);
    EXPECT_TRUE(Shown(ids::kSettingsPage));
    EXPECT_FALSE(Shown(ids::kTabBar));
    EXPECT_FALSE(Shown(ids::kCloseButton));
    EXPECT_FALSE(Shown(ids::kStatusBar));
    EXPECT_FALSE(Shown(ids::kDpiPage));
    EXPECT_FALSE(Shown(ids::kHomePage));
    Act(ids::kReturnButton);
    EXPECT_FALSE(Shown(ids::kSettingsPage));
    EXPECT_TRUE(Shown(ids::kCloseButton));
    EXPECT_TRUE(Shown(ids::kTabBar));
    EXPECT_EQ(Get<MTabCtrl>(ids::kTabBar)->GetSelectItem(), 1);
    EXPECT_TRUE(Shown(ids::kButtonsPage));

    // From the home tab: back home.
    Get<MTabCtrl>(ids::kTabBar)->SetSelectItem(0);
    Act(ids::kTabBar, 0);
    Act(ids::kSettingsButton);
    Act(ids::kReturnButton);
    EXPECT_TRUE(Shown(ids::kHomePage));
    EXPECT_FALSE(Shown(ids::kTabBar));

    // Without a mouse: home, whatever tab was current.
    Act(ids::kDeviceList, 101);
    Act(ids::kSettingsButton);
    backend_->Unplug(wired_);
    ASSERT_TRUE(
        WaitUntil([this] { return !window_->DeviceStateView().Snapshot().devices_present; }));
    // The settings page stays in front while the mouse goes.
    EXPECT_TRUE(Shown(ids::kSettingsPage));
    Act(ids::kReturnButton);
    EXPECT_TRUE(Shown(ids::kHomePage));
    EXPECT_FALSE(Shown(ids::kTabBar));
    EXPECT_EQ(Get<MTabCtrl>(ids::kTabBar)->GetSelectItem(), 0);
}

TEST_F(WindowTest, LanguageChangeRewritesEveryVisibleTextAtOnce) {
    OpenWindow();
    Get<MTabCtrl>(ids::kTabBar)->SetSelectItem(2);
    Act(ids::kTabBar, 2);
    auto* languages = Get<MComboBox>(ids::kLanguageCombo);
    EXPECT_EQ(languages->GetCurData(), 1033);

    languages->SelectData(2052);
    Act(ids::kLanguageCombo, 0);
    EXPECT_EQ(ReadLanguageId(), 2052);
    EXPECT_EQ(Title(ids::kTitle), QStringLiteral("Veltra 游戏鼠标"));
    EXPECT_EQ(Title(ids::kImportButton), QStringLiteral("导入"));
    EXPECT_EQ(Title(ids::kConnectionState), QStringLiteral("有线连接"));
    EXPECT_EQ(Title(ids::kVersionLabel), QStringLiteral("版本: v1.0.0"));
    EXPECT_EQ(Control(ids::kCloseButton)->toolTip(), QStringLiteral("关闭"));
    EXPECT_EQ(Title(ids::kAutostartCheck), QStringLiteral("开机自动启动"));
    EXPECT_EQ(tray_.exit_text, QStringLiteral("退出"));
    auto* tabs = Get<MTabCtrl>(ids::kTabBar);
    EXPECT_EQ(tabs->GetItemText(2), QStringLiteral("DPI 设置"));
    EXPECT_EQ(tabs->GetItemText(4), QStringLiteral("性能设置"));
    auto* profiles = Get<MComboBox>(ids::kProfileCombo);
    ASSERT_EQ(profiles->GetCount(), 5);
    EXPECT_EQ(profiles->GetItemText(0).toStdString(), "配置方案  1");
    EXPECT_EQ(profiles->GetCurData(), 1);

    languages->SelectData(1033);
    Act(ids::kLanguageCombo, 1);
    EXPECT_EQ(Title(ids::kTitle), QStringLiteral("Veltra Mouse"));
    EXPECT_EQ(profiles->GetItemText(4).toStdString(), "Profile  5");
    EXPECT_EQ(Title(ids::kConnectionState), QStringLiteral("Wired"));
}

TEST_F(WindowTest, TheDemoMenuRunsItsEntriesAndShowsTheirState) {
    bool plugged = true;
    int presses = 0;
    extra_menu_ = {
        {.text_id = 596,
         .run = [&plugged] { plugged = !plugged; },
         .checked = [&plugged] { return std::optional<bool>(plugged); }},
        {.text_id = 600, .run = [&presses] { ++presses; }, .checked = {}, .enabled = false},
    };
    OpenWindow(false);
    EXPECT_TRUE(Shown(ids::kExtraMenuButton));
    Act(ids::kExtraMenuButton);
    auto* menu = window_->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QString::fromStdString(GetLangText(596)));
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_FALSE(actions[1]->isEnabled());
    actions[0]->trigger();
    ASSERT_TRUE(WaitUntil([&plugged] { return !plugged; }));
    EXPECT_EQ(presses, 0);
}

TEST_F(WindowTest, LinksOpenTheConfiguredAddresses) {
    OpenWindow(false);
    Act(ids::kWebsiteLink);
    Act(ids::kFeedbackLink);
    Act(ids::kQaLink);
    EXPECT_EQ(opened_urls_,
              (std::vector<QString>{QStringLiteral("https://www.veltra-mouse.example/"),
                                    QStringLiteral("https://www.veltra-mouse.example/feedback"),
                                    QStringLiteral("https://www.veltra-mouse.example/faq")}));
}

}  // namespace
}  // namespace veltra::ui::testing

namespace veltra::app {
namespace {

TEST(AppOptions, KnownArgumentsAreTakenAndAnUnknownOneIsNamed) {
    const ParsedOptions demo = ParseAppOptions({"--demo", "-autorun"});
    ASSERT_TRUE(demo.options.has_value());
    EXPECT_TRUE(demo.options->demo);
    EXPECT_TRUE(demo.options->autorun);
    EXPECT_FALSE(demo.options->help);
    EXPECT_TRUE(ParseAppOptions({}).options.has_value());
    EXPECT_TRUE(ParseAppOptions({"--autorun", "--version"}).options->version);
    const ParsedOptions bad = ParseAppOptions({"--demo", "--frobnicate"});
    EXPECT_FALSE(bad.options.has_value());
    EXPECT_EQ(bad.error, "--frobnicate");
}

}  // namespace
}  // namespace veltra::app
