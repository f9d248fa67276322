#pragma once

// The device catalogue and the software links of the application configuration file.

#include <filesystem>
#include <string>
#include <vector>

namespace veltra {

// One model, or one model in one connection mode.
struct DeviceModelEntry {
    std::string name;
    int device_type = 0;
    std::string file_stem;
    std::string image;  // skin folder / "device" / the file's image name
    int connection_mode = 0;
    int vid = 0;
    int pid = 0;
    std::string device_id;
    std::string description;

    bool operator==(const DeviceModelEntry&) const = default;
};

struct SoftwareInfo {
    bool found = false;  // a `software` element after `device`
    std::string caption;
    std::string version;
    std::string website;
    std::string feedback;
    std::string qa;
    std::string store;
    std::string upgrade;           // the driver package's base address
    std::string upgrade_firmware;  // the firmware tool's; empty: the driver's
    std::string copyright;
};

struct Catalogue {
    std::vector<DeviceModelEntry> models;  // one per `mouse`, mode fields left at their defaults
    std::vector<DeviceModelEntry> modes;   // one per `mode`, its model's fields copied
    SoftwareInfo software;
};

// Reads the catalogue in document order, each search continuing after the element found before.
// A file that cannot be read or has no `config` element gives an empty catalogue.
Catalogue ReadCatalogue(const std::filesystem::path& config_file,
                        const std::filesystem::path& skin_folder);

// ReadCatalogue of ProgramFolder() / "config.xml" with SkinFolder().
Catalogue LoadCatalogue();

// The file stem of the first model of that device type; empty when none has it.
std::string FindFileStem(const std::vector<DeviceModelEntry>& models, int device_type);

// "<text 21>: v<version>", the version label.
std::string FormatVersionLabel(const std::string& version);

}  // namespace veltra
