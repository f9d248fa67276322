#pragma once

// The start of a front-end session, shared by the window and veltractl so that both serve the
// same model with the same catalogue and language: the caption, the catalogue (and the device
// link's copy of it), the language, and the model to serve.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/catalogue.h"
#include "store/profile_list.h"
#include "store/profile_store.h"

namespace veltra {

class DriverComm;

struct ServedModel {
    int device_type = 0;
    std::string name;
    std::string file_stem;
};

struct StartupConfiguration {
    Catalogue catalogue;
    // Where the catalogue was read from, for messages.
    std::filesystem::path config_file;
};

// Registers the caption of the configuration file, reads the catalogue, chooses the language
// (stored, else the locale's) and rebuilds `comm`'s catalogue. False when the program folder
// holds no model; `configuration.config_file` then names the file that was looked at.
bool LoadStartupConfiguration(StartupConfiguration& configuration, DriverComm& comm);

// The model to serve: `requested` when given (nullopt when the catalogue does not list it);
// else the stored DeviceType when the catalogue lists it, else the first model, as the window's
// model list selects. Nullopt for an empty catalogue.
std::optional<ServedModel> ChooseServedModel(const Catalogue& catalogue,
                                             std::optional<int> requested);

enum class StoreOpenResult {
    Opened,      // healthy, with its profiles
    CannotOpen,  // the db folder or the file could not be opened or created
    Unhealthy,   // opened, but damaged or unreadable: see `health`; the profiles were not loaded
    NoProfiles,  // healthy, yet no profile could be made active
};

struct StoreOpening {
    StoreOpenResult result = StoreOpenResult::CannotOpen;
    std::filesystem::path path;
    StoreHealth health;
    ProfileList profiles;
};

// Opens the served model's store below the user data folder (creating the db folder), checks
// its health and, when healthy, loads the profile list, which creates the five default profiles
// of a new file. `profile_word` is the language's word for "Profile".
StoreOpening OpenServedStore(ProfileStore& store, const ServedModel& model,
                             std::string_view profile_word);

// The model's name in the catalogue, else "device type N".
std::string ModelName(const Catalogue& catalogue, int device_type);

}  // namespace veltra
