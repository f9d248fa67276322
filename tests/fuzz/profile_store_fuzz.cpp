// Opens arbitrary bytes as a model's profile database and runs the store's reads and writes on
// it. Nothing may crash whatever the file holds.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "store/profile_list.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace {

// One folder per fuzzing process, removed when the process exits.
struct FuzzFolder {
    FuzzFolder()
        : path(std::filesystem::temp_directory_path() /
               ("veltra-fuzz-store-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path / "db");
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

const std::filesystem::path& Folder() {
    static const FuzzFolder folder;
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra;
    {
        std::ofstream out(ProfileStore::DeviceStorePath(Folder(), "Mouse"),
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ProfileStore store;
    store.SwitchDeviceModel(Folder(), "Mouse", 150);
    const ProfileList list = LoadProfileList(store, "Profile");
    std::string value;
    store.GetConfig(list.active_profile, config_key::kDpiIndex, value);
    store.SetConfig(list.active_profile, DpiGroupValueKey(2), "3200");
    std::vector<KeyAssignment> keys;
    store.LoadKeyAssignments(list.active_profile, 0, keys);
    std::vector<LightMode> lights;
    store.LoadLightModes(list.active_profile, lights);
    store.GetActiveLightMode(list.active_profile);
    std::vector<MacroInfo> macros;
    store.LoadMacros(macros);
    std::vector<MacroRecord> records;
    for (const MacroInfo& macro : macros) {
        store.LoadMacroRecords(macro.macro_id, records);
    }
    store.AddMacroRecords({MacroRecord{0, 1, 1, 0, 4, 10, "a"}});
    store.Close();
    return 0;
}
