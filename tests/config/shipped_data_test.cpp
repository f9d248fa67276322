// The program folder as shipped in data/: every text the program asks for exists in both
// languages, and the catalogue and the device descriptions read as intended.

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "common/text.h"
#include "config/catalogue.h"
#include "config/device_description.h"
#include "config/language.h"
#include "settings/performance_rules.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

const fs::path kProgramFolder = fs::path(VELTRA_SOURCE_DIR) / "data";

// Every text id the program looks up, as inclusive ranges.
constexpr std::pair<int, int> kUsedTextIds[] = {
    {1, 1},     {2, 3},     {5, 5},     {10, 12},   {16, 17},   {21, 21},   {25, 25},   {28, 31},
    {34, 36},   {39, 39},   {41, 43},   {50, 53},   {55, 55},   {60, 60},   {65, 67},   {69, 70},
    {100, 103}, {108, 114}, {120, 123}, {129, 135}, {137, 139}, {150, 159}, {165, 172}, {175, 182},
    {190, 190}, {192, 193}, {195, 195}, {201, 203}, {206, 207}, {210, 212}, {220, 220}, {222, 223},
    {235, 236}, {250, 253}, {255, 260}, {265, 272}, {275, 276}, {280, 286}, {350, 353}, {355, 355},
    {358, 368}, {380, 380}, {385, 398}, {400, 404}, {406, 409}, {411, 414}, {500, 518}, {530, 540},
    {543, 545}, {558, 559}, {570, 571}, {581, 584}, {590, 601}, {700, 701}, {705, 706}, {710, 714},
};

class ShippedDataTest : public ::testing::Test {
  protected:
    ~ShippedDataTest() override { SetCurrentLanguageId(kSimplifiedChinese); }
    test::ScopedEnv program_{"VELTRA_PROGRAM_FOLDER", kProgramFolder.string()};
};

TEST_F(ShippedDataTest, EveryUsedTextExistsInBothLanguages) {
    for (const int language : {kEnglish, kSimplifiedChinese}) {
        SetCurrentLanguageId(language);
        for (const auto& [first, last] : kUsedTextIds) {
            for (int id = first; id <= last; ++id) {
                EXPECT_FALSE(GetLangText(id).empty()) << "language " << language << " id " << id;
            }
        }
    }
    SetCurrentLanguageId(kEnglish);
    EXPECT_EQ(GetLangText(60), "Profile");
    SetCurrentLanguageId(kSimplifiedChinese);
    EXPECT_EQ(GetLangText(60), "配置方案");
    EXPECT_EQ(GetLangText(351), "自定义");  // macro names are recognised by this prefix
}

// The idle-light and sleep codes stand for seconds; the units both languages show after the
// numbers must say so.
TEST_F(ShippedDataTest, TimeUnitTextsAreSeconds) {
    SetCurrentLanguageId(kEnglish);
    EXPECT_EQ(GetLangText(kIdleLightUnitText), "s");
    EXPECT_EQ(GetLangText(kSleepUnitText), "s");
    SetCurrentLanguageId(kSimplifiedChinese);
    EXPECT_EQ(GetLangText(kIdleLightUnitText), "秒");
    EXPECT_EQ(GetLangText(kSleepUnitText), "秒");
}

TEST_F(ShippedDataTest, CatalogueHasAWirelessModelOfEachFamily) {
    const Catalogue c = LoadCatalogue();
    ASSERT_GE(c.models.size(), 2u);
    EXPECT_EQ(c.software.caption, "Veltra Mouse");
    EXPECT_FALSE(c.software.version.empty());
    EXPECT_FALSE(c.software.upgrade.empty());
    std::set<int> modes_of_101;
    std::set<std::pair<int, int>> identities;
    for (const DeviceModelEntry& mode : c.modes) {
        EXPECT_NE(mode.vid, 0);
        EXPECT_NE(mode.pid, 0);
        EXPECT_TRUE(identities.emplace(mode.vid, mode.pid).second) << "duplicate identity";
        if (mode.device_type == 101) {
            modes_of_101.insert(mode.connection_mode);
        }
    }
    EXPECT_EQ(modes_of_101, (std::set<int>{0, 1, 2}));
    bool other_family = false;
    for (const DeviceModelEntry& model : c.models) {
        other_family = other_family || model.device_type < 100 || model.device_type > 200;
    }
    EXPECT_TRUE(other_family);
}

TEST_F(ShippedDataTest, EveryModelHasADescriptionWithNamedButtons) {
    const Catalogue c = LoadCatalogue();
    bool some_lighting = false;
    for (const DeviceModelEntry& model : c.models) {
        SCOPED_TRACE(model.file_stem);
        const auto d =
            ReadDeviceDescription(DeviceDescriptionPath(kProgramFolder, model.file_stem));
        ASSERT_TRUE(d);
        ASSERT_TRUE(d->picture);
        EXPECT_FALSE(d->picture->empty());
        ASSERT_TRUE(d->lighting);
        some_lighting = some_lighting || *d->lighting;
        ASSERT_TRUE(d->buttons);
        const std::vector<ButtonDescription>& buttons = *d->buttons;
        ASSERT_GE(buttons.size(), 5u);
        // Factory functions of the first five buttons: left, right, middle, back, forward.
        const std::pair<int, int> factory[] = {{1, 1}, {1, 2}, {1, 3}, {1, 6}, {1, 5}};
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const ButtonDescription& b = buttons[i];
            EXPECT_EQ(b.key_value, static_cast<int>(i));
            if (i < 5) {
                EXPECT_EQ(std::pair(b.factory.macro_type, b.factory.macro_value), factory[i]);
            }
            for (const ViewPoint& p : b.points) {
                EXPECT_TRUE(p.x > 0 && p.x < 500 && p.y > 0 && p.y < 400) << i;
            }
            for (const int language : {kEnglish, kSimplifiedChinese}) {
                SetCurrentLanguageId(language);
                EXPECT_FALSE(GetLangText(b.name_id).empty());
                EXPECT_FALSE(
                    GetLangText(static_cast<int>(ParseDecimal(b.factory.macro_desc))).empty());
            }
        }
    }
    EXPECT_TRUE(some_lighting);
}

}  // namespace
}  // namespace veltra
