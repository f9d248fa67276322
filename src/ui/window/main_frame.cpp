// The main window's frame: caption and status bars, the window buttons, the battery, the
// connection state, the profile selector, the side tabs and the page containers.
#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/tabs.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = main_window;
namespace text = main_window::text;

namespace {

struct TabItem {
    int item_id;
    int text_id;
    const char* icon;
    int page;
};

constexpr TabItem kTabItems[] = {
    {ids::kTabHome, 65, "icon/tab_home.png", ids::kHomePage},
    {ids::kTabButtons, 66, "icon/tab_key.png", ids::kButtonsPage},
    {ids::kTabDpi, 67, "icon/tab_dpi.png", ids::kDpiPage},
    {ids::kTabLighting, 69, "icon/tab_light.png", ids::kLightingPage},
    {ids::kTabPerformance, 70, "icon/tab_set.png", ids::kPerformancePage},
};

}  // namespace

void DeviceMainDlg::CreateFrame(const QRect& client) {
    (void)client;
    auto* background = Create<MPicture>("MPicture", ids::kBackground, {});
    background->SetImage(QStringLiteral("main_bkg.png"), 1);
    background->SetShowMode(2, 4);
    Create<MPicture>("MPicture", ids::kStatusBar, {})
        ->SetImage(QStringLiteral("img_caption.png"), 1);
    Create<MPicture>("MPicture", ids::kBottomBar, {})
        ->SetImage(QStringLiteral("img_caption.png"), 1);
    auto* logo = Create<MPicture>("MPicture", ids::kLogo, {});
    logo->SetImage(QStringLiteral("logo/logo.png"), 1);
    logo->SetShowMode(1);

    auto* title = Create<MText>("MText", ids::kTitle, {}, LangText(text::kTitle));
    title->SetTextColor(ids::kTextWhite);
    title->SetFont(20);
    title->SetAlignment(Qt::AlignHCenter);
    auto* version = Create<MText>("MText", ids::kVersionLabel, {}, VersionLabelText());
    version->SetTextColor(ids::kTextGrey);
    version->SetFont(14);
    auto* caption = Create<MText>("MText", ids::kBottomCaption, {}, LangText(text::kBottomCaption));
    caption->SetTextColor(ids::kTextGrey);
    caption->SetFont(14);
    caption->SetAlignment(Qt::AlignHCenter);

    const struct {
        int id;
        const char* image;
        int tooltip;
    } window_buttons[] = {
        {ids::kSettingsButton, "sysbtn_setting.png", text::kSettings},
        {ids::kMinimizeButton, "sysbtn_min.png", text::kMinimize},
        {ids::kCloseButton, "sysbtn_close.png", text::kClose},
    };
    for (const auto& b : window_buttons) {
        auto* button = Create<CImageButton>("CImageButton", b.id, {});
        button->SetImage(QString::fromLatin1(b.image), 4);
        button->SetTooltip(LangText(b.tooltip));
    }

    auto* battery = Create<BatteryCtrl>("BatteryCtrl", ids::kBattery, {});
    battery->SetImage(QStringLiteral("icon/icon_battery_bkg.png"), 1);
    battery->SetLevelImage(QStringLiteral("icon/icon_batteryvalue.png"));
    battery->SetChargeImage(QStringLiteral("icon/icon_charge.png"));
    battery->SetBatteryInfo(0, kBatteryUnknown);
    battery->AddMTimer();
    auto* state = Create<CDeviceState>("CDeviceState", ids::kConnectionState, {},
                                       LangText(kTextNotConnected));
    state->SetImage(QStringLiteral("img_area.png"), 4);
    state->SetTextColor(ids::kTextWhite);

    auto* profiles = Create<MComboBox>("MComboBox", ids::kProfileCombo, {});
    profiles->SetImage(QStringLiteral("img_combobox.png"), 4);
    profiles->SetTextColor(ids::kTextWhite);
    profiles->SetFont(14);
    profiles->SetAlignment(Qt::AlignHCenter);
    for (const auto& [id, text_id] : {std::pair{ids::kImportButton, text::kImport},
                                      std::pair{ids::kExportButton, text::kExport}}) {
        auto* button = Create<MButton>("MButton", id, {}, LangText(text_id));
        button->SetImage(QStringLiteral("img_button.png"), 4);
    }
    auto* tab_background = Create<MPicture>("MPicture", ids::kTabBackground, {});
    tab_background->SetImage(QStringLiteral("img_tab_bkg.png"), 1);
    tab_background->SetShowMode(3, 12);
}

void DeviceMainDlg::CreatePageContainers(const QRect& client) {
    (void)client;
    for (int id : {ids::kButtonsPage, ids::kDpiPage, ids::kLightingPage, ids::kMacroPage,
                   ids::kHomePage, ids::kPerformancePage, ids::kSettingsPage}) {
        Create<MTabLayout>("MTabLayout", id, {})->SetVisible(false);
    }
}

void DeviceMainDlg::CreateTabs() {
    auto* tabs = Create<MTabCtrl>("MTabCtrl", ids::kTabBar, {});
    tabs->SetBarSize(190, 60);
    tabs->SetPadding(0, 190, 0, 300);
    tabs->SetItemSize(190, 60);
    tabs->SetFont(16);
    for (const TabItem& item : kTabItems) {
        tabs->AddItem(item.item_id, LangText(item.text_id), QString::fromLatin1(item.icon),
                      Get<MTabLayout>(item.page));
    }
    tabs->SetSelectItem(0);
}

void DeviceMainDlg::LayoutFrame(const QRect& client) {
    const int w = client.width();
    const int h = client.height();
    auto place = [this](int id, const QRect& rect) {
        if (MControl* control = GetControl(id)) {
            control->SetRect(rect);
        }
    };
    place(ids::kBackground, Edges(0, 0, w, h));
    place(ids::kStatusBar, Edges(1, 50, w - 1, 100));
    place(ids::kBottomBar, Edges(1, h - 40, w - 1, h - 5));
    if (auto* logo = Get<MPicture>(ids::kLogo)) {
        const QSize natural = logo->GetImageSize();
        logo->SetRect(QRect(QPoint(30, 5), natural.isEmpty() ? QSize(160, 40) : natural));
    }
    place(ids::kTitle, Edges(w / 2 - 100, 10, w / 2 + 100, 40));
    place(ids::kVersionLabel, Edges(10, h - 35, 210, h - 5));
    place(ids::kBottomCaption, Edges(w / 2 - 200, h - 35, w / 2 + 200, h - 5));
    place(ids::kSettingsButton, Edges(w - 123, 10, w - 93, 40));
    place(ids::kMinimizeButton, Edges(w - 83, 10, w - 53, 40));
    place(ids::kCloseButton, Edges(w - 43, 10, w - 13, 40));
    place(ids::kBattery, Edges(20, 60, 170, 90));
    place(ids::kConnectionState, Edges(160, 60, 320, 90));
    place(ids::kProfileCombo, Edges(w / 2 - 80, 60, w / 2 + 80, 90));
    place(ids::kImportButton, Edges(750, 60, 840, 90));
    place(ids::kExportButton, Edges(850, 60, 940, 90));
    place(ids::kTabBackground, Edges(1, 100, 201, h - 50));
    place(ids::kTabBar, Edges(1, 110, 191, 470));
    for (int id : {ids::kButtonsPage, ids::kDpiPage, ids::kMacroPage, ids::kLightingPage,
                   ids::kPerformancePage}) {
        place(id, Edges(205, 110, w - 1, h - 30));
    }
    // The home page's device list begins left of the page area, so its container spans the
    // window below the status bar; a container clips what lies outside it.
    place(ids::kHomePage, Edges(0, 100, w, h - 40));
    place(ids::kSettingsPage, Edges(1, 50, w - 1, h - 40));
}

}  // namespace veltra::ui
