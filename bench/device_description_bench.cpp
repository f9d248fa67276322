// Cost of a model change: ApplyDeviceModel reads the description file anew on every run and
// switches the profile store, and it runs after every device rescan.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/catalogue.h"
#include "config/device_description.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "store/profile_store.h"

namespace {

namespace fs = std::filesystem;

class NullModelView : public veltra::ModelView {
  public:
    void SetModelPictures(const std::string&) override {}
    veltra::ViewRect ClientRect() const override { return {0, 0, 1000, 600}; }
    veltra::ViewSize HomePictureImageSize() const override { return {300, 200}; }
    void SetButtonPagePictureRect(const veltra::ViewRect&) override {}
    void SetLightingTabVisible(bool) override {}
    void DeleteAllButtons() override {}
    void AddButton(const std::string&, int, int, const std::array<veltra::ViewPoint, 3>&) override {
    }
};

void BM_ReadDeviceDescription(benchmark::State& state) {
    const fs::path file = fs::path(VELTRA_DATA_DIR) / "device" / "veltra_v1.xml";
    for (auto _ : state) {
        benchmark::DoNotOptimize(veltra::ReadDeviceDescription(file));
    }
}
BENCHMARK(BM_ReadDeviceDescription);

// The whole model change between the two shipped models, store switch included; writing
// DeviceType is not timed.
void BM_ApplyDeviceModel(benchmark::State& state) {
    std::string scratch = (fs::temp_directory_path() / "veltra-bench-XXXXXX").string();
    if (mkdtemp(scratch.data()) == nullptr) {
        state.SkipWithError("no scratch folder");
        return;
    }
    setenv("VELTRA_PROGRAM_FOLDER", VELTRA_DATA_DIR, 1);
    setenv("XDG_CONFIG_HOME", (fs::path(scratch) / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (fs::path(scratch) / "data").c_str(), 1);
    veltra::SetApplicationCaption("Veltra Bench");
    fs::create_directories(veltra::UserDataFolder() / "db");
    veltra::ReadSettingValue(veltra::kDeviceTypeValue);  // creates the key
    const veltra::Catalogue catalogue = veltra::LoadCatalogue();
    veltra::ProfileStore store;
    veltra::ModelState model;
    NullModelView view;
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        veltra::WriteDeviceType(catalogue.models[next].device_type);
        state.ResumeTiming();
        veltra::ApplyDeviceModel(catalogue.models, store, model, view);
        next = (next + 1) % static_cast<int>(catalogue.models.size());
    }
    store.Close();
    fs::remove_all(scratch);
}
BENCHMARK(BM_ApplyDeviceModel);

}  // namespace
