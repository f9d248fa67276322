// The window's views rendered to PNG in both languages, for people to look at: home with and
// without a mouse, the program settings page and every device page, the macro page included.
// Written below the build tree (window-views/en, window-views/zh); a blank picture fails.
#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include "macro/macro_store.h"
#include "settings/key_function.h"
#include "shell/settings_key.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/macro_lists.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/widgets/tabs.h"
#include "ui/window/buttons_page.h"
#include "ui/window/lighting_page.h"
#include "ui/window/macro_page.h"
#include "window/window_fixture.h"

namespace veltra::ui::testing {
namespace {

const std::filesystem::path kViewsFolder =
    std::filesystem::path(VELTRA_BIN_DIR).parent_path() / "window-views";

int DistinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            colours.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(colours.size());
}

class WindowViewsTest : public WindowTest, public ::testing::WithParamInterface<int> {
  protected:
    void Save(const std::string& name) {
        QCoreApplication::processEvents();
        const QImage image = window_->grab().toImage();
        EXPECT_GT(DistinctColours(image), 20) << name << " looks blank";
        const std::filesystem::path folder = kViewsFolder / (GetParam() == 1033 ? "en" : "zh");
        std::filesystem::create_directories(folder);
        EXPECT_TRUE(image.save(QString::fromStdString((folder / (name + ".png")).string())));
    }
    void SelectTab(int index) {
        Get<MTabCtrl>(ids::kTabBar)->SetSelectItem(index);
        Act(ids::kTabBar, index);
    }
    void ChooseType(KeyFunctionType type) {
        auto* types = Get<MComboBox>(buttons_page::kTypeList);
        types->SelectData(static_cast<int>(type));
        Act(buttons_page::kTypeList, types->GetCurSel());
    }
};

TEST_P(WindowViewsTest, EveryViewRenders) {
    SetLanguage(GetParam());
    OpenWindow(false);
    Save("home-without-mouse");
    Act(ids::kSettingsButton);
    Save("program-settings");
    Act(ids::kReturnButton);

    wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5D5);
    ASSERT_TRUE(WaitForConnection(true));
    const char* pages[] = {"", "buttons-page", "dpi-page", "lighting-page", "performance-page"};
    for (int index = 1; index < 5; ++index) {
        SelectTab(index);
        Save(pages[index]);
    }
    // The buttons page's editors.
    SelectTab(1);
    Get<MouseCtrl>(buttons_page::kButtons)->SetSelectItem(3);
    Act(buttons_page::kButtons, 3);
    ChooseType(KeyFunctionType::KeyCombination);
    Get<MEdit>(buttons_page::kKeyField)->SetTitle(QStringLiteral("F5"));
    Get<MButton3>(buttons_page::kCtrl)->SetCheck(true);
    Save("buttons-page-key");
    ChooseType(KeyFunctionType::RapidFire);
    Save("buttons-page-rapid-fire");

    // The lighting page with an effect that offers every setting, and one with speed and colour.
    SelectTab(3);
    for (const auto& [effect, name] :
         {std::pair{1, "lighting-page-static"}, std::pair{2, "lighting-page-breathing"}}) {
        auto* effects = Get<MComboBox>(lighting_page::kEffects);
        effects->SelectData(effect);
        Act(lighting_page::kEffects, effects->GetCurSel());
        Save(name);
    }
    // The macro page, which no tab shows: a few steps, one selected in the editor.
    const int macro = store_.AddMacro("Custom1");
    ASSERT_TRUE(StoreMacroSteps(store_, macro,
                                {{"↓  A", 2, 65, 1},
                                 {" -   150 ms", 1, 150, 2},
                                 {"↑  A", 3, 65, 3},
                                 {"↓  LB", 4, 1, 4},
                                 {"↑  LB", 5, 1, 4},
                                 {"Scroll Up", 6, 1, 5},
                                 {"←  5,↑  3", 12, 0x85 + 256 * 0x83, 6}}));
    store_.AddMacro("Build and run");
    window_->Macros().LoadMacroList();
    Control(ids::kLightingPage)->SetVisible(false);
    Control(ids::kMacroPage)->SetVisible(true);
    Get<CRecordList>(macro_page::kStepList)->SetCurSel(1);
    Act(macro_page::kStepList, 1);
    Save("macro-page");
    Get<CRecordList>(macro_page::kStepList)->SetCurSel(6);
    Act(macro_page::kStepList, 6);
    Save("macro-page-move");
    Control(ids::kMacroPage)->SetVisible(false);

    SelectTab(0);
    Save("home-with-mouse");
}

TEST_P(WindowViewsTest, AModelWithoutLighting) {
    SetLanguage(GetParam());
    WriteDeviceType(301);
    wired_ = backend_->Plug(mouse_, sim::Link::Wired, 0x3554, 0xF5A1);
    OpenWindow();
    SelectTab(1);
    Save("buttons-page-p3");
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowViewsTest, ::testing::Values(1033, 2052),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return param.param == 1033 ? std::string("English")
                                                        : std::string("Chinese");
                         });

}  // namespace
}  // namespace veltra::ui::testing
