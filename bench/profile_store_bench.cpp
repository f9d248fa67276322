// Creating a model's database with its five default profiles, and storing the longest macro.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/profile_list.h"
#include "store/profile_store.h"

namespace veltra {
namespace {

class BenchFolder {
  public:
    BenchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "veltra-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
            std::filesystem::create_directories(path_ / "db");
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Schema, five profiles and their 295 settings rows, as on the first start for a model.
void BM_CreateModelFile(benchmark::State& state) {
    BenchFolder folder;
    ProfileStore store;
    for (auto _ : state) {
        state.PauseTiming();
        store.ResetDeviceStore(folder.path(), "Other", 0);
        store.DeleteDeviceStore(folder.path(), "Mouse");
        state.ResumeTiming();
        store.SwitchDeviceModel(folder.path(), "Mouse", 0);
        const ProfileList list = LoadProfileList(store, "Profile");
        benchmark::DoNotOptimize(list.active_profile);
    }
}
BENCHMARK(BM_CreateModelFile)->Unit(benchmark::kMillisecond);

// The longest macro the editor allows, stored in one transaction.
void BM_AddMacroRecords990(benchmark::State& state) {
    BenchFolder folder;
    ProfileStore store;
    store.SwitchDeviceModel(folder.path(), "Mouse", 0);
    const int macro = store.AddMacro("long");
    std::vector<MacroRecord> records;
    for (int i = 0; i < 990; ++i) {
        records.push_back({0, macro, i % 2 + 1, i, 4 + i % 26, 15, "key " + std::to_string(i)});
    }
    for (auto _ : state) {
        state.PauseTiming();
        store.DeleteMacroRecords(macro);
        state.ResumeTiming();
        store.AddMacroRecords(records);
    }
}
BENCHMARK(BM_AddMacroRecords990)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veltra
