#pragma once

// Recording window fakes and a program folder, settings key and data folder of their own for
// the tests of the catalogue load and of ApplyDeviceModel.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "config/device_description.h"
#include "config/language.h"
#include "config/model_view.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "store/profile_store.h"
#include "support/temp_dir.h"

namespace veltra::test {

inline const std::filesystem::path kFixtures = std::filesystem::path(VELTRA_TEST_DATA_DIR);

class RecordingModelView : public ModelView {
  public:
    void SetModelPictures(const std::string& image) override {
        calls.push_back("pictures " + image);
    }
    ViewRect ClientRect() const override { return client; }
    ViewSize HomePictureImageSize() const override { return image_size; }
    void SetButtonPagePictureRect(const ViewRect& r) override {
        calls.push_back("place " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                        std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
    void SetLightingTabVisible(bool visible) override {
        calls.push_back(visible ? "lighting shown" : "lighting hidden");
    }
    void DeleteAllButtons() override { calls.push_back("delete buttons"); }
    void AddButton(const std::string& text, int key_value, int direction,
                   const std::array<ViewPoint, 3>& points) override {
        std::string call =
            "button " + text + " " + std::to_string(key_value) + " " + std::to_string(direction);
        for (const ViewPoint& p : points) {
            call += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
        }
        calls.push_back(call);
    }

    ViewRect client{0, 0, 1000, 600};
    ViewSize image_size{300, 200};
    std::vector<std::string> calls;
};

class FakeCatalogueView : public CatalogueView {
  public:
    void ClearDeviceList() override { device_list.clear(); }
    void AddDeviceListEntry(const std::string& name, int device_type,
                            const std::string& image) override {
        device_list.push_back(name + " " + std::to_string(device_type) + " " + image);
    }
    void DeleteAllModelItems() override {
        items.clear();
        selected = -1;
    }
    void AddModelItem(const std::string& text, int data) override {
        items.emplace_back(text, data);
    }
    void SetModelCurSel(int index) override { selected = index; }
    void SelectModelData(int data) override {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].second == data) {
                selected = static_cast<int>(i);
                return;
            }
        }
    }
    int ModelCurData() const override {
        return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected].second
                                                                          : 0;
    }
    void SetModelComboVisible(bool visible) override { combo_visible = visible; }
    void SetVersionLabel(const std::string& text) override { version_label = text; }

    std::vector<std::string> device_list;
    std::vector<std::pair<std::string, int>> items;
    int selected = -1;
    bool combo_visible = true;
    std::string version_label = "previous";
};

// An installation of its own: program folder with an English language file, settings key and
// per-user data folder with its db subfolder, under the caption "Example".
class ModelFixture : public ::testing::Test {
  protected:
    ModelFixture() {
        SetApplicationCaption("Example");
        std::filesystem::create_directories(program() / "device");
        std::filesystem::create_directories(program() / "language");
        WriteFile(program() / "language" / "1033.lan",
                  "[LAN]\n21=Version\n140=Left\n141=Right\n142=Middle\n");
        SetCurrentLanguageId(kEnglish);
        std::filesystem::create_directories(UserDataFolder() / "db");
    }
    ~ModelFixture() override {
        store_.Close();
        SetCurrentLanguageId(kSimplifiedChinese);
        SetApplicationCaption("");
    }

    std::filesystem::path program() const { return dir_ / "program"; }

    void InstallDescription(const std::string& fixture, const std::string& stem) const {
        std::filesystem::copy_file(kFixtures / "device" / fixture,
                                   program() / "device" / (stem + ".xml"),
                                   std::filesystem::copy_options::overwrite_existing);
    }

    static void StoreDeviceType(int device_type) {
        std::filesystem::create_directories(SettingsFilePath().parent_path());
        WriteFile(SettingsFilePath(), "DeviceType=" + std::to_string(device_type) + "\n");
    }

    std::filesystem::path StoreFile(const std::string& stem) const {
        return UserDataFolder() / "db" / (stem + "_data_test.db");
    }

    TempDir dir_;
    ScopedEnv program_env_{"VELTRA_PROGRAM_FOLDER", (dir_ / "program").string()};
    ScopedEnv config_env_{"XDG_CONFIG_HOME", (dir_ / "config").string()};
    ScopedEnv data_env_{"XDG_DATA_HOME", (dir_ / "data").string()};
    ProfileStore store_;
    RecordingModelView view_;
    ModelState state_;
};

}  // namespace veltra::test
