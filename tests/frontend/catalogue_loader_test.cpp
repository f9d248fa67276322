#include "frontend/catalogue_loader.h"

#include <gtest/gtest.h>

#include "config/model_fixture.h"
#include "device/driver_comm.h"
#include "device/hid_port.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;
using test::kFixtures;

class NoDevices : public HidBackend {
  public:
    std::vector<HidInterfaceInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidDevice> Open(const std::string&) override { return nullptr; }
};

class LoadCatalogueTest : public test::ModelFixture {
  protected:
    LoadCatalogueTest() { InstallDescription("full.xml", "model_a"); }

    void InstallConfig(const std::string& fixture) const {
        fs::copy_file(kFixtures / "config" / fixture, program() / "config.xml",
                      fs::copy_options::overwrite_existing);
    }

    void Load() { LoadCatalogue(catalogue_, state_, window_, view_, comm_, store_); }

    std::string Image(const std::string& name) const {
        return (program() / "skins" / kDefaultTheme / "device" / name).string();
    }

    CatalogueState catalogue_;
    test::FakeCatalogueView window_;
    DriverComm comm_{std::make_unique<NoDevices>()};
};

TEST_F(LoadCatalogueTest, SelectsTheStoredModelAndAppliesIt) {
    InstallConfig("catalogue.xml");
    InstallDescription("light0_no_image.xml", "model_b");
    StoreDeviceType(301);
    Load();

    EXPECT_EQ(catalogue_.catalogue.models.size(), 3u);
    EXPECT_EQ(catalogue_.catalogue.modes.size(), 3u);
    EXPECT_EQ(catalogue_.catalogue.software.upgrade, "https://download.veltra-mouse.example/");
    EXPECT_EQ(window_.device_list, (std::vector<std::string>{"Model A 101 " + Image("a.png"),
                                                             "Model B 301 " + Image("b.png"),
                                                             "Model C 101 " + Image("")}));
    EXPECT_EQ(window_.version_label, "Version: v2.1.0");
    EXPECT_EQ(window_.items, (std::vector<std::pair<std::string, int>>{
                                 {"Model A", 101}, {"Model B", 301}, {"Model C", 101}}));
    EXPECT_EQ(window_.selected, 1);
    EXPECT_TRUE(window_.combo_visible);

    EXPECT_EQ(catalogue_.current_device_type, 301);
    EXPECT_EQ(comm_.CurrentDeviceType(), 301);
    EXPECT_TRUE(comm_.IsSupported(0x1A2B, 0x00FF));
    EXPECT_EQ(comm_.LookupMode(0x1A2B, 0x0100), ConnectionMode::Receiver);

    EXPECT_EQ(state_.file_stem, "model_b");
    EXPECT_EQ(store_.DeviceType(), 301);
    EXPECT_EQ(fs::path(store_.Path()), StoreFile("model_b"));
    EXPECT_FALSE(state_.lighting);
    EXPECT_EQ(state_.buttons.size(), 1u);
}

TEST_F(LoadCatalogueTest, UnknownStoredTypeSelectsTheFirstModelButFindsNoStem) {
    InstallConfig("catalogue.xml");
    StoreDeviceType(999);
    Load();
    EXPECT_EQ(window_.selected, 0);
    EXPECT_EQ(catalogue_.current_device_type, 101);
    EXPECT_EQ(comm_.CurrentDeviceType(), 101);
    // ApplyDeviceModel goes by the stored value, which names no model.
    EXPECT_EQ(state_.file_stem, "");
    EXPECT_EQ(fs::path(store_.Path()), StoreFile(""));
    EXPECT_EQ(store_.DeviceType(), 999);
    EXPECT_TRUE(view_.calls.empty());
}

TEST_F(LoadCatalogueTest, OneModelHidesTheComboBox) {
    test::WriteFile(program() / "config.xml",
                    "<config><device><mouse name=\"Only\" device_type=\"101\" "
                    "device_attr=\"model_a\"/></device></config>");
    Load();  // no DeviceType stored: 0
    EXPECT_EQ(window_.items.size(), 1u);
    EXPECT_EQ(window_.selected, 0);
    EXPECT_FALSE(window_.combo_visible);
    EXPECT_EQ(window_.version_label, "previous");  // no software element
    EXPECT_EQ(catalogue_.current_device_type, 101);
    EXPECT_EQ(state_.file_stem, "");
}

TEST_F(LoadCatalogueTest, SoftwareBeforeDeviceLeavesTheVersionLabel) {
    InstallConfig("software_before_device.xml");
    StoreDeviceType(101);
    Load();
    EXPECT_EQ(window_.device_list.size(), 1u);
    EXPECT_EQ(window_.version_label, "previous");
    EXPECT_EQ(catalogue_.catalogue.software.website, "");
    EXPECT_EQ(state_.file_stem, "model_a");
}

TEST_F(LoadCatalogueTest, WithoutConfigurationEverythingIsEmptied) {
    comm_.AddDevice(0x1A2B, 0x00FF, "", 101, ConnectionMode::Wired);
    window_.device_list = {"stale"};
    window_.items = {{"stale", 5}};
    window_.selected = 0;
    catalogue_.catalogue.models.resize(2);
    StoreDeviceType(101);
    Load();
    EXPECT_TRUE(catalogue_.catalogue.models.empty());
    EXPECT_TRUE(window_.device_list.empty());
    EXPECT_TRUE(window_.items.empty());
    EXPECT_EQ(window_.version_label, "previous");
    EXPECT_FALSE(comm_.IsSupported(0x1A2B, 0x00FF));
    EXPECT_EQ(catalogue_.current_device_type, 0);
    EXPECT_EQ(comm_.CurrentDeviceType(), 0);
    // The stored model is still applied, with the empty stem.
    EXPECT_EQ(store_.DeviceType(), 101);
    EXPECT_EQ(fs::path(store_.Path()), StoreFile(""));
}

TEST_F(LoadCatalogueTest, ShippedProgramFolder) {
    test::ScopedEnv shipped("VELTRA_PROGRAM_FOLDER",
                            (fs::path(VELTRA_SOURCE_DIR) / "data").string());
    StoreDeviceType(301);
    Load();
    EXPECT_GE(window_.items.size(), 2u);
    EXPECT_TRUE(window_.combo_visible);
    EXPECT_EQ(window_.version_label.rfind("Version: v", 0), 0u) << window_.version_label;
    EXPECT_EQ(catalogue_.current_device_type, 301);
    EXPECT_EQ(state_.file_stem, "veltra_p3");
    EXPECT_FALSE(state_.lighting);
    ASSERT_EQ(state_.default_keys.size(), 6u);
    EXPECT_EQ(state_.default_keys[3].macro_value, 6);
    EXPECT_TRUE(fs::exists(StoreFile("veltra_p3")));
    for (const std::string& call : view_.calls) {
        EXPECT_NE(call.rfind("button  ", 0), 0u) << "a button without a name: " << call;
    }
}

}  // namespace
}  // namespace veltra
