#include "frontend/profile_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "common/file_io.h"
#include "common/text.h"
#include "frontend/lighting_effects.h"
#include "frontend/setting_rules.h"
#include "settings/lighting.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"
#include "xml/xml_document.h"

namespace veltra {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr int kFileDpiLevels = 6;

// The children of Mouse and of mouse_properties, in the order they are written and read.
constexpr std::array<std::string_view, 9> kMouseKeys = {
    config_key::kButtonRespondTime, config_key::kReportRate,     config_key::kReportRateWireless,
    config_key::kSensorFlag,        config_key::kLiftoffHeight,  config_key::kScrollFlag,
    config_key::kESportsFlag,       config_key::kLeftButtonLock, config_key::kSleepLight,
};
constexpr std::array<std::string_view, 5> kPointerKeys = {
    config_key::kMouseSpeed,       config_key::kMouseSensitivity, config_key::kWheelScrollFlag,
    config_key::kWheelScrollLines, config_key::kDoubleClickTime,
};
constexpr std::array<std::string_view, 3> kDpiAttributes = {
    config_key::kDpiFlag, config_key::kDpiIndex, config_key::kDpiCount};

std::string Setting(ProfileStore& store, int profile, std::string_view key) {
    std::string value;
    store.GetConfig(profile, key, value);
    return value;
}

void AddValueElements(XmlWriter& xml, ProfileStore& store, int profile,
                      std::span<const std::string_view> keys) {
    xml.IntoElem();
    for (const std::string_view key : keys) {
        xml.AddElem(key);
        xml.AddAttrib("value", Setting(store, profile, key));
    }
    xml.OutOfElem();
}

// A decimal attribute of a key or lighting item: 0 when missing, nullopt for anything but a
// whole number of the field's size, which no exporter writes.
std::optional<int> ItemNumber(const XmlReader& xml, std::string_view name) {
    const std::string text = xml.GetAttrib(name);
    if (text.empty()) {
        return 0;
    }
    return ParseInteger<int>(text);
}

// The numeric attributes of the items, in the order they are written.
template <typename Item>
using ItemField = std::pair<std::string_view, int Item::*>;
constexpr std::array<ItemField<KeyAssignment>, 5> kKeyFields = {{
    {"key_code", &KeyAssignment::key_code},
    {"macro_type", &KeyAssignment::macro_type},
    {"macro_value", &KeyAssignment::macro_value},
    {"macro_value2", &KeyAssignment::macro_value2},
    {"macro_value3", &KeyAssignment::macro_value3},
}};
constexpr std::array<ItemField<LightMode>, 7> kLightFields = {{
    {"light_mode", &LightMode::mode},
    {"brightness", &LightMode::brightness},
    {"speed", &LightMode::speed},
    {"direction", &LightMode::direction},
    {"colorful", &LightMode::colorful},
    {"colorindex", &LightMode::colorindex},
    {"color_value", &LightMode::color_value},
}};

template <typename Item, std::size_t N>
void WriteItem(XmlWriter& xml, const Item& item, const std::array<ItemField<Item>, N>& fields) {
    xml.AddElem("item");
    for (const auto& [name, field] : fields) {
        xml.AddAttrib(name, item.*field);
    }
}

// Items are read whole or not at all; the caller refuses the file when one is not.
template <typename Item, std::size_t N>
std::optional<Item> ReadItem(const XmlReader& xml, const std::array<ItemField<Item>, N>& fields) {
    Item item;
    for (const auto& [name, field] : fields) {
        const std::optional<int> number = ItemNumber(xml, name);
        if (!number) {
            return std::nullopt;
        }
        item.*field = *number;
    }
    return item;
}

std::optional<KeyAssignment> ReadKeyItem(const XmlReader& xml) {
    std::optional<KeyAssignment> key = ReadItem(xml, kKeyFields);
    if (!key || key->key_code < 0 || key->key_code > kMaxProfileFileKeyCode) {
        return std::nullopt;
    }
    key->macro_desc = xml.GetAttrib("macro_desc");
    return key;
}

std::optional<LightMode> ReadLightItem(const XmlReader& xml) {
    return ReadItem(xml, kLightFields);
}

template <typename Item, typename ReadItem>
std::optional<std::vector<Item>> ReadItems(XmlReader& xml, ReadItem read) {
    std::vector<Item> items;
    xml.IntoElem();
    bool ok = true;
    while (ok && xml.FindElem("item")) {
        std::optional<Item> item = read(xml);
        ok = item.has_value() && items.size() < kMaxProfileFileItems;
        if (ok) {
            items.push_back(std::move(*item));
        }
    }
    xml.OutOfElem();
    if (!ok) {
        return std::nullopt;
    }
    return items;
}

ProfileFileSettings ReadDpi(XmlReader& xml) {
    ProfileFileSettings dpi;
    for (const std::string_view key : kDpiAttributes) {
        dpi.values.emplace_back(key, xml.GetAttrib(key));
    }
    xml.IntoElem();
    // Each search goes on after the level found before, so a level out of order is skipped.
    for (int level = 0; level < kFileDpiLevels; ++level) {
        if (xml.FindElem("DPI" + std::to_string(level + 1))) {
            dpi.values.emplace_back(DpiGroupValueKey(level), xml.GetAttrib("value"));
            dpi.values.emplace_back(DpiGroupRgbKey(level), xml.GetAttrib("color"));
        }
    }
    xml.OutOfElem();
    return dpi;
}

void ReadValueElements(XmlReader& xml, std::span<const std::string_view> keys,
                       ProfileFileSettings& settings) {
    xml.IntoElem();
    for (const std::string_view key : keys) {
        if (xml.FindElem(key)) {
            settings.values.emplace_back(key, xml.GetAttrib("value"));
        }
    }
    xml.OutOfElem();
}

bool ApplyKeys(ProfileStore& store, const std::vector<KeyAssignment>& keys, int profile,
               ProfileImportResult& result) {
    for (KeyAssignment key : keys) {
        // Factory functions are the rows the delete already removed.
        if (key.macro_value == 0 && key.macro_value2 == 0) {
            continue;
        }
        key.profile = profile;
        key.fn_layer = 0;
        key.layout_value = 0;
        key.layout_desc.clear();
        if (store.SaveKeyAssignment(key) == 0) {
            return false;
        }
        ++result.keys;
    }
    return true;
}

bool ApplyLighting(ProfileStore& store, const ProfileFileLight& light, const ProfileImport& target,
                   ProfileImportResult& result) {
    const int profile = target.profile;
    if (store.CountLightModes(profile) == 0 &&
        EnsureLightEffects(store, profile, true, target.lang) == 0) {
        return false;
    }
    if (const std::optional<int> active = ParseInteger<int>(light.active_mode)) {
        LightMode row;
        // An effect the profile lacks would leave none active: the active one stays.
        if (store.LoadLightMode(profile, *active, row) &&
            !store.SetActiveLightMode(profile, row.mode)) {
            return false;
        }
    }
    for (const LightMode& item : light.modes) {
        LightMode row;
        if (!store.LoadLightMode(profile, item.mode, row)) {
            continue;
        }
        row.brightness = std::clamp(item.brightness, 0, kLightValueMax);
        row.speed = std::clamp(item.speed, 0, kLightValueMax);
        row.direction = std::clamp(item.direction, 0, kLightValueMax);
        row.colorful = std::clamp(item.colorful, 0, kLightValueMax);
        row.colorindex = std::clamp(item.colorindex, 0, kLightValueMax);
        row.color_value = std::clamp(item.color_value, 0, 0xFFFFFF);
        if (!store.UpdateLightMode(profile, item.mode, row)) {
            return false;
        }
        ++result.light_modes;
    }
    return true;
}

bool ApplySettings(ProfileStore& store, const ProfileFileSettings& settings,
                   const ProfileImport& target, ProfileImportResult& result) {
    for (const auto& [key, text] : settings.values) {
        const ImportedSetting imported = ImportSetting(key, text, target.device_type);
        if (imported.rows.empty()) {
            result.kept.push_back(key);
            continue;
        }
        if (imported.corrected) {
            result.corrected.push_back(key);
        }
        for (const auto& [row_key, value] : imported.rows) {
            if (!store.SetConfig(target.profile, row_key, value)) {
                return false;
            }
            result.settings.emplace_back(row_key, value);
        }
    }
    return true;
}

}  // namespace

std::string ProfileFileText(ProfileStore& store, const ProfileExport& request) {
    const int profile = request.profile;
    XmlWriter xml{std::string(kDeclaration)};
    xml.AddElem("profile");
    xml.IntoElem();
    xml.AddElem("profileinfo");
    xml.AddAttrib("name", request.name);
    xml.IntoElem();

    xml.AddElem("keyitems");
    std::vector<KeyAssignment> keys;
    store.LoadKeyAssignments(request.key_profile, 0, keys);
    xml.IntoElem();
    for (const KeyAssignment& key : keys) {
        WriteItem(xml, key, kKeyFields);
        xml.AddAttrib("macro_desc", key.macro_desc);
    }
    xml.OutOfElem();

    if (request.lighting) {
        xml.AddElem("Lightitems");
        xml.AddAttrib("lightmode", store.GetActiveLightMode(profile));
        std::vector<LightMode> modes;
        store.LoadLightModes(profile, modes);
        xml.IntoElem();
        for (const LightMode& mode : modes) {
            WriteItem(xml, mode, kLightFields);
        }
        xml.OutOfElem();
    }

    xml.AddElem("Mouse_DPI");
    for (const std::string_view key : kDpiAttributes) {
        xml.AddAttrib(key, Setting(store, profile, key));
    }
    xml.IntoElem();
    for (int level = 0; level < kFileDpiLevels; ++level) {
        xml.AddElem("DPI" + std::to_string(level + 1));
        xml.AddAttrib("value", Setting(store, profile, DpiGroupValueKey(level)));
        xml.AddAttrib("color", Setting(store, profile, DpiGroupRgbKey(level)));
    }
    xml.OutOfElem();

    xml.AddElem("Mouse");
    AddValueElements(xml, store, profile, kMouseKeys);
    xml.AddElem("mouse_properties");
    AddValueElements(xml, store, profile, kPointerKeys);
    return xml.ToString();
}

std::string SuggestedProfileFileName(std::string_view profile_name) {
    const std::string name = SafeFileName(profile_name);
    return (name.empty() ? std::string("profile") : name) + ".xml";
}

std::string ProfileFileErrorText(ProfileFileError error) {
    switch (error) {
        case ProfileFileError::kNone:
            return {};
        case ProfileFileError::kUnreadable:
            return "the file cannot be read";
        case ProfileFileError::kMalformed:
            return "the file is not a well-formed XML document";
        case ProfileFileError::kNotAProfile:
            return "the file is not a profile file";
        case ProfileFileError::kInvalidItems:
            return "the file holds button or lighting items no profile has";
        case ProfileFileError::kNoSections:
            return "the file holds no settings for this model";
        case ProfileFileError::kStoreFailed:
            return "the profile store refused the change; nothing was changed";
        case ProfileFileError::kWriteFailed:
            return "the file cannot be written";
    }
    return {};
}

std::optional<ProfileFile> ParseProfileFile(std::string_view bytes, bool lighting,
                                            ProfileFileError& error) {
    XmlReader xml;
    if (!xml.LoadFromBytes(bytes)) {
        error = ProfileFileError::kMalformed;
        return std::nullopt;
    }
    if (!xml.FindElem("profile") || !xml.IntoElem() || !xml.FindElem("profileinfo")) {
        error = ProfileFileError::kNotAProfile;
        return std::nullopt;
    }
    ProfileFile file;
    file.name = xml.GetAttrib("name");
    xml.IntoElem();
    // Sections are searched in the order they are written; one out of order is not found.
    if (xml.FindElem("keyitems")) {
        file.keys = ReadItems<KeyAssignment>(xml, ReadKeyItem);
        if (!file.keys) {
            error = ProfileFileError::kInvalidItems;
            return std::nullopt;
        }
    }
    if (lighting && xml.FindElem("Lightitems")) {
        ProfileFileLight light;
        light.active_mode = xml.GetAttrib("lightmode");
        std::optional<std::vector<LightMode>> modes = ReadItems<LightMode>(xml, ReadLightItem);
        if (!modes) {
            error = ProfileFileError::kInvalidItems;
            return std::nullopt;
        }
        light.modes = std::move(*modes);
        file.lighting = std::move(light);
    }
    if (xml.FindElem("Mouse_DPI")) {
        file.dpi = ReadDpi(xml);
    }
    ProfileFileSettings options;
    bool has_options = false;
    if (xml.FindElem("Mouse")) {
        ReadValueElements(xml, kMouseKeys, options);
        has_options = true;
    }
    if (xml.FindElem("mouse_properties")) {
        ReadValueElements(xml, kPointerKeys, options);
        has_options = true;
    }
    if (has_options) {
        file.options = std::move(options);
    }
    if (!file.keys && !file.lighting && !file.dpi && !file.options) {
        error = ProfileFileError::kNoSections;
        return std::nullopt;
    }
    error = ProfileFileError::kNone;
    return file;
}

ProfileImportResult ApplyProfileFile(ProfileStore& store, const ProfileFile& file,
                                     const ProfileImport& target) {
    ProfileImportResult result;
    result.name = file.name;
    ProfileStore::WriteBatch batch = store.BeginWriteBatch();
    bool ok = batch.Started() && store.DeleteKeyAssignments(target.profile);
    if (ok && file.keys) {
        ok = ApplyKeys(store, *file.keys, target.profile, result);
    }
    if (ok && file.lighting && target.lighting) {
        ok = ApplyLighting(store, *file.lighting, target, result);
    }
    if (ok && file.dpi) {
        ok = ApplySettings(store, *file.dpi, target, result);
    }
    if (ok && file.options) {
        ok = ApplySettings(store, *file.options, target, result);
    }
    if (!ok || !batch.Commit()) {
        ProfileImportResult failed;
        failed.error = ProfileFileError::kStoreFailed;
        return failed;
    }
    return result;
}

ProfileFileError ExportProfile(ProfileStore& store, const std::filesystem::path& path,
                               const ProfileExport& request) {
    return WriteFileAtomically(path, ProfileFileText(store, request), FileAccess::kShared)
               ? ProfileFileError::kNone
               : ProfileFileError::kWriteFailed;
}

ProfileImportResult ImportProfile(ProfileStore& store, const std::filesystem::path& path,
                                  const ProfileImport& target) {
    ProfileImportResult result;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > kMaxProfileFileBytes) {
        result.error = ProfileFileError::kUnreadable;
        return result;
    }
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        result.error = ProfileFileError::kUnreadable;
        return result;
    }
    const std::optional<ProfileFile> file = ParseProfileFile(*bytes, target.lighting, result.error);
    if (!file) {
        return result;
    }
    return ApplyProfileFile(store, *file, target);
}

}  // namespace veltra
