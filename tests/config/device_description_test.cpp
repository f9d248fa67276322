#include "config/device_description.h"

#include <gtest/gtest.h>

#include <climits>

#include "config/catalogue.h"
#include "config/model_fixture.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;
using test::kFixtures;
using Points = std::array<ViewPoint, 3>;

DeviceDescription Read(const std::string& fixture) {
    const auto description = ReadDeviceDescription(kFixtures / "device" / fixture);
    EXPECT_TRUE(description) << fixture;
    return description.value_or(DeviceDescription{});
}

TEST(DeviceDescriptionTest, ReadsPictureLightingAndButtonsInFileOrder) {
    const DeviceDescription d = Read("full.xml");
    EXPECT_EQ(d.picture, "device\\img_full.png");
    EXPECT_EQ(d.lighting, true);
    ASSERT_TRUE(d.buttons);
    const std::vector<ButtonDescription>& b = *d.buttons;
    ASSERT_EQ(b.size(), 4u);  // the <button> between them is not a key

    EXPECT_EQ(b[0].name_id, 140);
    EXPECT_EQ(b[0].key_value, 0);
    EXPECT_EQ(b[0].points, (Points{{{10, 20}, {30, 40}, {50, 60}}}));
    EXPECT_EQ(b[1].key_value, 7);
    EXPECT_EQ(b[1].direction, 1);
    EXPECT_EQ(b[1].points, (Points{{{10, 0}, {0, 0}, {0, 20}}}));

    // Every attribute missing.
    EXPECT_EQ(b[2].name_id, 0);
    EXPECT_EQ(b[2].points, Points{});
    EXPECT_EQ(b[2].factory.layout_desc, "");
    EXPECT_EQ(b[2].factory.macro_desc, "");

    // Conversions stop at the first non-digit; more than five '#' leave the rest to the sixth.
    EXPECT_EQ(b[3].name_id, 12);
    EXPECT_EQ(b[3].key_value, 3);
    EXPECT_EQ(b[3].direction, -1);
    EXPECT_EQ(b[3].points, (Points{{{0, 5}, {0, 0}, {7, 8}}}));
}

TEST(DeviceDescriptionTest, DefaultKeyListHoldsTheFactoryRows) {
    const std::vector<KeyAssignment> keys = DefaultKeyList(*Read("full.xml").buttons);
    ASSERT_EQ(keys.size(), 4u);
    const KeyAssignment& k = keys[1];
    EXPECT_EQ(k.key_code, 7);
    EXPECT_EQ(k.layout_value, 7);
    EXPECT_EQ(k.layout_desc, "141");
    EXPECT_EQ(k.macro_type, 5);
    EXPECT_EQ(k.macro_value, 1);
    EXPECT_EQ(k.macro_desc, "195");
    EXPECT_EQ(k.key_id, 0);
    EXPECT_EQ(k.profile, 0);
    EXPECT_EQ(k.fn_layer, 0);
    EXPECT_EQ(k.macro_value2, 0);
    EXPECT_EQ(k.macro_value3, 0);
    // Texts are kept as written, not as converted.
    EXPECT_EQ(keys[3].layout_desc, "12abc");
    EXPECT_EQ(keys[3].macro_value, 4100);
    EXPECT_EQ(keys[3].macro_desc, "a text");
    EXPECT_EQ(keys[0].key_code, 0);
    EXPECT_EQ(keys[2].key_code, 0);
}

TEST(DeviceDescriptionTest, ChildrenOutOfOrderAreNotSeen) {
    // The search for mouse_key continues after the menu that follows it.
    const DeviceDescription key_first = Read("mouse_key_before_menu.xml");
    EXPECT_EQ(key_first.picture, "device\\img_b.png");
    EXPECT_EQ(key_first.lighting, true);
    EXPECT_FALSE(key_first.buttons);
    // The search for menu continues after the image_file that follows it.
    const DeviceDescription image_last = Read("image_after_menu.xml");
    EXPECT_EQ(image_last.picture, "device\\img_c.png");
    EXPECT_FALSE(image_last.lighting);
    EXPECT_FALSE(image_last.buttons);
}

TEST(DeviceDescriptionTest, LightingIsOnlyTheValueOne) {
    const std::pair<const char*, bool> cases[] = {
        {"<mouse><menu light=\"1\"/></mouse>", true},
        {"<mouse><menu light=\"0\"/></mouse>", false},
        {"<mouse><menu light=\"2\"/></mouse>", false},
        {"<mouse><menu/></mouse>", false},
        {"<mouse><menu light=\"1x\"/></mouse>", true},
        {"<mouse><menu light=\"01\"/></mouse>", true},
        {"<mouse><Menu light=\"1\"/></mouse>", false},
    };
    for (const auto& [xml, lighting] : cases) {
        const auto d = ParseDeviceDescription(xml);
        ASSERT_TRUE(d) << xml;
        EXPECT_EQ(d->lighting.value_or(false), lighting) << xml;
    }
}

TEST(DeviceDescriptionTest, EmptyElementsAreStillPresent) {
    const auto d = ParseDeviceDescription("<mouse><image_file/><mouse_key/></mouse>");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->picture, "");
    ASSERT_TRUE(d->buttons);
    EXPECT_TRUE(d->buttons->empty());
    const auto bare = ParseDeviceDescription("<mouse/>");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->picture || bare->lighting || bare->buttons);
}

TEST(DeviceDescriptionTest, UnusableFilesGiveNothing) {
    EXPECT_FALSE(ReadDeviceDescription(kFixtures / "device" / "missing.xml"));
    EXPECT_FALSE(ParseDeviceDescription(""));
    EXPECT_FALSE(ParseDeviceDescription("<config><mouse/></config>"));
    EXPECT_FALSE(ParseDeviceDescription("<mouse><menu light=\"1\"/>"));
    EXPECT_FALSE(ParseDeviceDescription(std::string("\xff\xfe\0", 3)));
}

TEST(DeviceDescriptionTest, RectSplits) {
    EXPECT_EQ(ParseButtonRect(""), Points{});
    EXPECT_EQ(ParseButtonRect("7"), (Points{{{0, 0}, {0, 0}, {0, 7}}}));
    EXPECT_EQ(ParseButtonRect("1#2#3#4#5#"), (Points{{{1, 2}, {3, 4}, {5, 0}}}));
    EXPECT_EQ(ParseButtonRect(" -1# +2#3#4#5#6"), (Points{{{-1, 2}, {3, 4}, {5, 6}}}));
    // Numbers beyond int saturate instead of wrapping.
    EXPECT_EQ(ParseButtonRect("99999999999#-99999999999#0#0#0#0")[0],
              (ViewPoint{INT_MAX, INT_MIN}));
}

TEST(DeviceDescriptionTest, ButtonPagePicturePlacement) {
    EXPECT_EQ(ButtonPagePictureRect({0, 0, 1000, 600}, {300, 200}), (ViewRect{500, 220, 800, 420}));
    // (101 - 0 - 300) / 2 truncates towards zero: -99, not -100.
    EXPECT_EQ(ButtonPagePictureRect({0, 0, 400, 101}, {10, 300}), (ViewRect{-100, -79, -90, 221}));
    EXPECT_EQ(ButtonPagePictureRect({0, 50, 1000, 651}, {0, 0}), (ViewRect{500, 320, 500, 320}));
    const ViewRect huge = ButtonPagePictureRect({0, 0, INT_MAX, INT_MAX}, {INT_MAX, 0});
    EXPECT_EQ(huge.right, INT_MAX);
}

class ApplyDeviceModelTest : public test::ModelFixture {
  protected:
    ApplyDeviceModelTest() {
        for (const auto& [type, stem] :
             {std::pair{101, "model_a"}, std::pair{301, "model_b"}, std::pair{401, "model_c"}}) {
            DeviceModelEntry model;
            model.device_type = type;
            model.file_stem = stem;
            models_.push_back(model);
        }
        InstallDescription("full.xml", "model_a");
        InstallDescription("light0_no_image.xml", "model_b");
    }

    void Apply(int device_type) {
        StoreDeviceType(device_type);
        view_.calls.clear();
        ApplyDeviceModel(models_, store_, state_, view_);
    }

    std::vector<DeviceModelEntry> models_;
};

TEST_F(ApplyDeviceModelTest, AppliesTheStoredModel) {
    Apply(101);
    EXPECT_EQ(state_.file_stem, "model_a");
    EXPECT_EQ(state_.button_page_file_stem, "model_a");
    EXPECT_TRUE(store_.IsOpen());
    EXPECT_EQ(fs::path(store_.Path()), StoreFile("model_a"));
    EXPECT_TRUE(fs::exists(StoreFile("model_a")));
    EXPECT_EQ(store_.DeviceType(), 101);

    EXPECT_EQ(state_.home_picture, "device\\img_full.png");
    EXPECT_EQ(state_.button_page_picture, "device\\img_full.png");
    EXPECT_TRUE(state_.lighting);
    ASSERT_EQ(state_.buttons.size(), 4u);
    ASSERT_EQ(state_.default_keys.size(), 4u);
    EXPECT_EQ(state_.default_keys[1].key_code, 7);
    EXPECT_EQ(view_.calls, (std::vector<std::string>{
                               "pictures device\\img_full.png",
                               "place 500,220,800,420",
                               "lighting shown",
                               "delete buttons",
                               "button Left 0 0 (10,20) (30,40) (50,60)",
                               "button Right 7 1 (10,0) (0,0) (0,20)",
                               "button  0 0 (0,0) (0,0) (0,0)",
                               "button  3 -1 (0,5) (0,0) (7,8)",
                           }));
}

TEST_F(ApplyDeviceModelTest, ElementsThatArePresentReplaceThePreviousModel) {
    Apply(101);
    Apply(301);
    EXPECT_EQ(state_.file_stem, "model_b");
    EXPECT_EQ(store_.DeviceType(), 301);
    EXPECT_EQ(state_.home_picture, "device\\img_full.png");  // no image_file: kept
    EXPECT_FALSE(state_.lighting);
    ASSERT_EQ(state_.buttons.size(), 1u);
    EXPECT_EQ(state_.default_keys.size(), 1u);
    EXPECT_EQ(state_.default_keys[0].layout_desc, "142");
    EXPECT_EQ(view_.calls, (std::vector<std::string>{
                               "place 500,220,800,420",
                               "lighting hidden",
                               "delete buttons",
                               "button Middle 2 1 (1,2) (3,4) (5,6)",
                           }));
}

TEST_F(ApplyDeviceModelTest, WithoutMenuTheModelHasNoLighting) {
    InstallDescription("mouse_key_before_menu.xml", "model_b");
    InstallDescription("image_after_menu.xml", "model_c");
    Apply(101);
    Apply(401);
    EXPECT_EQ(state_.home_picture, "device\\img_c.png");
    EXPECT_FALSE(state_.lighting);
    EXPECT_EQ(state_.buttons.size(), 4u);  // no mouse_key: the buttons stay
    EXPECT_EQ(view_.calls, (std::vector<std::string>{"pictures device\\img_c.png",
                                                     "place 500,220,800,420", "lighting hidden"}));
    // The menu after mouse_key is found; the buttons before it are not.
    Apply(301);
    EXPECT_TRUE(state_.lighting);
    EXPECT_EQ(state_.buttons.size(), 4u);
}

TEST_F(ApplyDeviceModelTest, NarrowWindowLeavesThePictureWhereItIs) {
    view_.client = {20, 0, 120, 600};
    Apply(101);
    EXPECT_EQ(view_.calls[0], "pictures device\\img_full.png");
    EXPECT_EQ(view_.calls[1], "lighting shown");
    view_.client = {20, 0, 121, 600};
    Apply(101);
    EXPECT_EQ(view_.calls[1], "place -379,220,-79,420");
}

TEST_F(ApplyDeviceModelTest, WithoutDescriptionOnlyTheStemAndStoreChange) {
    Apply(101);
    const ModelState before = state_;
    Apply(401);  // model_c has no file
    EXPECT_EQ(state_.file_stem, "model_c");
    EXPECT_EQ(state_.button_page_file_stem, "model_c");
    EXPECT_EQ(fs::path(store_.Path()), StoreFile("model_c"));
    EXPECT_EQ(store_.DeviceType(), 401);
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_EQ(state_.home_picture, before.home_picture);
    EXPECT_EQ(state_.lighting, before.lighting);
    EXPECT_EQ(state_.buttons.size(), before.buttons.size());
    EXPECT_EQ(state_.default_keys.size(), before.default_keys.size());

    test::WriteFile(program() / "device" / "model_c.xml", "<mouse><menu light=\"0\"/>");
    Apply(401);
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_TRUE(state_.lighting);
}

TEST_F(ApplyDeviceModelTest, UnknownDeviceTypeGetsTheEmptyStem) {
    Apply(101);
    test::WriteFile(program() / "device" / ".xml", "<mouse><menu light=\"0\"/></mouse>");
    Apply(999);
    EXPECT_EQ(state_.file_stem, "");
    EXPECT_EQ(fs::path(store_.Path()), StoreFile(""));
    EXPECT_TRUE(fs::exists(UserDataFolder() / "db" / "_data_test.db"));
    EXPECT_EQ(store_.DeviceType(), 999);
    EXPECT_FALSE(state_.lighting);  // device/.xml was read
}

TEST_F(ApplyDeviceModelTest, MissingDbFolderLeavesTheStoreClosed) {
    Apply(101);
    fs::remove_all(UserDataFolder() / "db");
    Apply(301);
    EXPECT_FALSE(store_.IsOpen());
    EXPECT_FALSE(store_.OpenFlag());
    EXPECT_EQ(store_.DeviceType(), 301);
    EXPECT_EQ(state_.buttons.size(), 1u);  // the description is applied all the same
}

}  // namespace
}  // namespace veltra
