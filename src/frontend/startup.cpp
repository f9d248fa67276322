#include "frontend/startup.h"

#include "config/app_info.h"
#include "config/language.h"
#include "device/driver_catalogue.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"

namespace veltra {

bool LoadStartupConfiguration(StartupConfiguration& configuration, DriverComm& comm) {
    // As the program starts: the caption first (it names the settings key), then the language.
    LoadStartupValues();
    configuration.config_file = ProgramFolder() / "config.xml";
    configuration.catalogue = LoadCatalogue();
    if (configuration.catalogue.models.empty()) {
        return false;
    }
    ChooseStartupLanguage();
    RebuildDriverCatalogue(configuration.catalogue, comm);
    return true;
}

std::optional<ServedModel> ChooseServedModel(const Catalogue& catalogue,
                                             std::optional<int> requested) {
    if (catalogue.models.empty()) {
        return std::nullopt;
    }
    int device_type = 0;
    if (requested) {
        device_type = *requested;
        if (FindFileStem(catalogue.models, device_type).empty()) {
            return std::nullopt;
        }
    } else {
        device_type = ReadDeviceType();
        if (FindFileStem(catalogue.models, device_type).empty()) {
            device_type = catalogue.models.front().device_type;
        }
    }
    return ServedModel{device_type, ModelName(catalogue, device_type),
                       FindFileStem(catalogue.models, device_type)};
}

StoreOpening OpenServedStore(ProfileStore& store, const ServedModel& model,
                             std::string_view profile_word) {
    StoreOpening opening;
    const std::filesystem::path folder = UserDataFolder();
    opening.path = ProfileStore::DeviceStorePath(folder, model.file_stem);
    if (!EnsureFolder(folder / "db") ||
        !store.SwitchDeviceModel(folder, model.file_stem, model.device_type)) {
        opening.result = StoreOpenResult::CannotOpen;
        return opening;
    }
    opening.health = store.CheckHealth();
    if (!opening.health.healthy()) {
        opening.result = StoreOpenResult::Unhealthy;
        return opening;
    }
    opening.profiles = LoadProfileList(store, profile_word);
    opening.result =
        opening.profiles.active_profile < 1 ? StoreOpenResult::NoProfiles : StoreOpenResult::Opened;
    return opening;
}

std::string ModelName(const Catalogue& catalogue, int device_type) {
    for (const DeviceModelEntry& model : catalogue.models) {
        if (model.device_type == device_type) {
            return model.name;
        }
    }
    return "device type " + std::to_string(device_type);
}

}  // namespace veltra
