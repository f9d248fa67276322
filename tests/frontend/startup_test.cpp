#include "frontend/startup.h"

#include <gtest/gtest.h>

#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "support/temp_dir.h"

namespace veltra {
namespace {

DeviceModelEntry Model(int device_type, std::string name, std::string stem) {
    DeviceModelEntry model;
    model.device_type = device_type;
    model.name = std::move(name);
    model.file_stem = std::move(stem);
    return model;
}

class ServedModelTest : public ::testing::Test {
  protected:
    ServedModelTest() {
        SetApplicationCaption("Veltra Test");
        catalogue_.models = {Model(101, "First", "first"), Model(301, "Second", "second")};
        ReadLanguageId();  // creates the settings key, as the start-up does
    }

    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.path().string()};
    Catalogue catalogue_;
};

TEST_F(ServedModelTest, StoredModelWhenListedElseTheFirst) {
    WriteDeviceType(301);
    std::optional<ServedModel> served = ChooseServedModel(catalogue_, std::nullopt);
    ASSERT_TRUE(served);
    EXPECT_EQ(served->device_type, 301);
    EXPECT_EQ(served->name, "Second");
    EXPECT_EQ(served->file_stem, "second");

    WriteDeviceType(999);
    served = ChooseServedModel(catalogue_, std::nullopt);
    ASSERT_TRUE(served);
    EXPECT_EQ(served->device_type, 101);
}

TEST_F(ServedModelTest, ARequestedModelMustBeListed) {
    WriteDeviceType(101);
    EXPECT_EQ(ChooseServedModel(catalogue_, 301)->file_stem, "second");
    EXPECT_FALSE(ChooseServedModel(catalogue_, 999));
    EXPECT_FALSE(ChooseServedModel(Catalogue{}, std::nullopt));
    EXPECT_EQ(ModelName(catalogue_, 999), "device type 999");
}

}  // namespace
}  // namespace veltra
