#include "frontend/startup.h"

#include <gtest/gtest.h>

#include <fstream>

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

namespace veltra {
namespace {

class ServedStoreTest : public ::testing::Test {
  protected:
    ServedStoreTest() { SetApplicationCaption("Veltra Test"); }

    std::filesystem::path DbFolder() const { return UserDataFolder() / "db"; }

    test::TempDir dir_;
    test::ScopedEnv data_{"XDG_DATA_HOME", dir_.path().string()};
    const ServedModel model_{101, "Veltra V1", "veltra_v1"};
    ProfileStore store_;
};

TEST_F(ServedStoreTest, ANewStoreOpensWithItsFiveProfiles) {
    const StoreOpening opening = OpenServedStore(store_, model_, "Profile");
    EXPECT_EQ(opening.result, StoreOpenResult::Opened);
    EXPECT_EQ(opening.path, DbFolder() / "veltra_v1_data_test.db");
    EXPECT_EQ(opening.profiles.entries.size(), 5U);
    EXPECT_EQ(opening.profiles.active_profile, 1);
}

TEST_F(ServedStoreTest, ADamagedStoreIsNamedAndLeftAlone) {
    ASSERT_TRUE(EnsureFolder(DbFolder()));
    const std::filesystem::path file = DbFolder() / "veltra_v1_data_test.db";
    { std::ofstream(file) << "not a database, just words that fill the first page"; }
    const StoreOpening opening = OpenServedStore(store_, model_, "Profile");
    EXPECT_EQ(opening.result, StoreOpenResult::Unhealthy);
    EXPECT_EQ(opening.health.condition, StoreCondition::kNotADatabase);
    EXPECT_TRUE(opening.profiles.entries.empty());
    EXPECT_EQ(test::ReadFile(file), "not a database, just words that fill the first page");
}

TEST_F(ServedStoreTest, AFileInPlaceOfTheDbFolderCannotOpen) {
    ASSERT_TRUE(EnsureFolder(UserDataFolder()));
    { std::ofstream(DbFolder()) << "x"; }
    EXPECT_EQ(OpenServedStore(store_, model_, "Profile").result, StoreOpenResult::CannotOpen);
}

}  // namespace
}  // namespace veltra
