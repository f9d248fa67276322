#include "platform/linux/desktop_pointer.h"

#include <gio/gio.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/file_io.h"
#include "common/text.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

constexpr int kMinSpeed = 1;
constexpr int kMaxSpeed = 20;
constexpr int kMinWheelLines = 1;
constexpr int kMaxWheelLines = 20;
constexpr int kMinDoubleClickMs = 100;
constexpr int kMaxDoubleClickMs = 2000;

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

// The values every desktop takes; a backend adds what it lacks.
bool AcceptsValue(PointerSetting setting, int value) {
    switch (setting) {
        case PointerSetting::Speed:
            return InRange(value, kMinSpeed, kMaxSpeed);
        case PointerSetting::Precision:
            return value == 0 || value == 1;
        case PointerSetting::WheelLines:
            // No desktop here scrolls one screen per notch (kWheelPageScroll).
            return InRange(value, kMinWheelLines, kMaxWheelLines);
        case PointerSetting::DoubleClick:
            return InRange(value, kMinDoubleClickMs, kMaxDoubleClickMs);
    }
    return false;
}

class NoPointerSettings final : public PointerSettings {
  public:
    PointerDesktop Desktop() const override { return PointerDesktop::None; }
    bool Supports(PointerSetting) const override { return false; }
    bool Accepts(PointerSetting, int) const override { return false; }
    std::optional<int> Read(PointerSetting) override { return std::nullopt; }
    PointerWrite Write(PointerSetting, int) override { return PointerWrite::Unsupported; }
};

// --- GNOME -----------------------------------------------------------------------------------

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kSpeedKey = "speed";
constexpr const char* kAccelProfileKey = "accel-profile";
constexpr const char* kDoubleClickKey = "double-click";
constexpr const char* kFlatProfile = "flat";
constexpr const char* kDefaultProfile = "default";

// Whether the schema has the key with values of `type` (an enum key holds strings).
bool HasKey(GSettingsSchema* schema, const char* name, const GVariantType* type) {
    if (!g_settings_schema_has_key(schema, name)) {
        return false;
    }
    GSettingsSchemaKey* key = g_settings_schema_get_key(schema, name);
    const bool typed = g_variant_type_equal(g_settings_schema_key_get_value_type(key), type);
    g_settings_schema_key_unref(key);
    return typed;
}

bool KeyTakesString(GSettingsSchema* schema, const char* name, const char* text) {
    GSettingsSchemaKey* key = g_settings_schema_get_key(schema, name);
    GVariant* value = g_variant_ref_sink(g_variant_new_string(text));
    const bool takes = g_settings_schema_key_range_check(key, value);
    g_variant_unref(value);
    g_settings_schema_key_unref(key);
    return takes;
}

class GnomePointerSettings final : public PointerSettings {
  public:
    GnomePointerSettings() {
        // g_settings_new() aborts the program for a schema that is not installed, so the schema
        // is looked up first and the object made from it.
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        if (source == nullptr) {
            return;
        }
        GSettingsSchema* schema = g_settings_schema_source_lookup(source, kMouseSchema, TRUE);
        if (schema == nullptr) {
            return;
        }
        speed_ = HasKey(schema, kSpeedKey, G_VARIANT_TYPE_DOUBLE);
        precision_ = HasKey(schema, kAccelProfileKey, G_VARIANT_TYPE_STRING) &&
                     KeyTakesString(schema, kAccelProfileKey, kFlatProfile) &&
                     KeyTakesString(schema, kAccelProfileKey, kDefaultProfile);
        double_click_ = HasKey(schema, kDoubleClickKey, G_VARIANT_TYPE_INT32);
        settings_ = g_settings_new_full(schema, nullptr, nullptr);
        g_settings_schema_unref(schema);
    }
    ~GnomePointerSettings() override {
        if (settings_ != nullptr) {
            g_object_unref(settings_);
        }
    }
    GnomePointerSettings(const GnomePointerSettings&) = delete;
    GnomePointerSettings& operator=(const GnomePointerSettings&) = delete;

    PointerDesktop Desktop() const override { return PointerDesktop::Gnome; }

    bool Supports(PointerSetting setting) const override {
        switch (setting) {
            case PointerSetting::Speed:
                return speed_;
            case PointerSetting::Precision:
                return precision_;
            case PointerSetting::DoubleClick:
                return double_click_;
            case PointerSetting::WheelLines:
                break;
        }
        return false;
    }

    bool Accepts(PointerSetting setting, int value) const override {
        return Supports(setting) && AcceptsValue(setting, value);
    }

    std::optional<int> Read(PointerSetting setting) override {
        if (!Supports(setting)) {
            return std::nullopt;
        }
        const std::lock_guard lock(mutex_);
        switch (setting) {
            case PointerSetting::Speed:
                return SpeedFromFactor(g_settings_get_double(settings_, kSpeedKey));
            case PointerSetting::Precision:
                return IsFlat() ? 0 : 1;
            case PointerSetting::DoubleClick:
                return g_settings_get_int(settings_, kDoubleClickKey);
            case PointerSetting::WheelLines:
                break;
        }
        return std::nullopt;
    }

    PointerWrite Write(PointerSetting setting, int value) override {
        if (!Accepts(setting, value)) {
            return PointerWrite::Unsupported;
        }
        const std::lock_guard lock(mutex_);
        bool stored = false;
        switch (setting) {
            case PointerSetting::Speed:
                stored = g_settings_set_double(settings_, kSpeedKey, SpeedToFactor(value));
                break;
            case PointerSetting::Precision:
                // Any profile but the flat one accelerates; one the user chose stays.
                if (value == 1 && !IsFlat()) {
                    return PointerWrite::Applied;
                }
                stored = g_settings_set_string(settings_, kAccelProfileKey,
                                               value == 0 ? kFlatProfile : kDefaultProfile);
                break;
            case PointerSetting::DoubleClick:
                stored = g_settings_set_int(settings_, kDoubleClickKey, value);
                break;
            case PointerSetting::WheelLines:
                break;
        }
        if (!stored) {
            return PointerWrite::Failed;
        }
        g_settings_sync();
        return PointerWrite::Applied;
    }

  private:
    bool IsFlat() const {
        gchar* profile = g_settings_get_string(settings_, kAccelProfileKey);
        const bool flat = std::string_view(profile) == kFlatProfile;
        g_free(profile);
        return flat;
    }

    std::mutex mutex_;
    GSettings* settings_ = nullptr;
    bool speed_ = false;
    bool precision_ = false;
    bool double_click_ = false;
};

// --- KDE Plasma --------------------------------------------------------------------------------

// One key of a KConfig file (INI with groups "[Name]", nested as "[A][B]", and options after
// group and key names: "[$i]" locks, "[$d]" deletes, "[$e]" expands; "Key[de]" is a translation).
struct KConfigKey {
    const char* file;
    const char* group;
    const char* name;
};

constexpr KConfigKey kWheelScrollLines{"kdeglobals", "KDE", "WheelScrollLines"};
constexpr KConfigKey kDoubleClickInterval{"kdeglobals", "KDE", "DoubleClickInterval"};
constexpr KConfigKey kPointerAcceleration{"kcminputrc", "Mouse", "XLbInptPointerAcceleration"};
constexpr KConfigKey kAccelProfileFlat{"kcminputrc", "Mouse", "XLbInptAccelProfileFlat"};

constexpr int kDefaultWheelLines = 3;
constexpr int kDefaultDoubleClickMs = 400;

// Where a key stands in a file's text and what it says.
struct KConfigEntry {
    std::optional<std::string> value;  // nullopt when absent or deleted
    std::size_t value_begin = 0;       // the value's place in the text, when there is one
    std::size_t value_end = 0;
    bool locked = false;
    bool group_found = false;
    std::size_t group_end = 0;  // where the group's last line (not blank) ends, before its '\n'
};

// The bracketed parts after a name: "Key[$e][de]" -> "Key", {"$e", "de"}. False when anything
// but brackets follows the name or a bracket is not closed.
bool SplitOptions(std::string_view text, std::string_view& name,
                  std::vector<std::string_view>& options) {
    text = TrimAsciiSpace(text);
    std::size_t at = text.find('[');
    name = TrimAsciiSpace(text.substr(0, at));
    options.clear();
    while (at < text.size()) {
        const std::size_t close = text.find(']', at);
        if (text[at] != '[' || close == std::string_view::npos) {
            return false;
        }
        options.push_back(text.substr(at + 1, close - at - 1));
        at = close + 1;
    }
    return true;
}

bool HasOption(const std::vector<std::string_view>& options, char option) {
    for (const std::string_view o : options) {
        if (!o.empty() && o.front() == '$' && o.find(option) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool IsTranslation(const std::vector<std::string_view>& options) {
    for (const std::string_view o : options) {
        if (o.empty() || o.front() != '$') {
            return true;
        }
    }
    return false;
}

// The key as the session reads it: the last entry wins; a lock on the file, the group or the key
// holds.
KConfigEntry FindEntry(const std::string& text, const KConfigKey& key) {
    KConfigEntry entry;
    bool in_group = false;
    std::vector<std::string_view> options;
    std::string_view name;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        const std::string_view line =
            TrimAsciiSpace(std::string_view(text).substr(begin, end - begin));
        begin = end + 1;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            in_group = false;
            if (!SplitOptions(line, name, options) || !name.empty() || options.empty()) {
                continue;
            }
            const bool locked = options.back() == "$i";
            if (locked) {
                options.pop_back();
            }
            if (options.empty()) {
                // A lone "[$i]" locks the whole file.
                entry.locked = entry.locked || locked;
            } else if (options.size() == 1 && options.front() == key.group) {
                entry.locked = entry.locked || locked;
                in_group = true;
                entry.group_found = true;
                entry.group_end = end;
            }
            continue;
        }
        if (!in_group) {
            continue;
        }
        entry.group_end = end;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos ||
            !SplitOptions(line.substr(0, equals), name, options) || name != key.name ||
            IsTranslation(options)) {
            continue;
        }
        entry.locked = entry.locked || HasOption(options, 'i');
        if (HasOption(options, 'd')) {
            entry.value.reset();
            continue;
        }
        const std::string_view value = TrimAsciiSpace(line.substr(equals + 1));
        entry.value = std::string(value);
        entry.value_begin = static_cast<std::size_t>(value.data() - text.data());
        entry.value_end = entry.value_begin + value.size();
    }
    return entry;
}

// The text with the key set to `value`: its entry's value replaced, else a line added at the end
// of its group, else the group added at the end of the file.
std::string WithValue(std::string text, const KConfigEntry& entry, const KConfigKey& key,
                      const std::string& value) {
    const std::string line = std::string(key.name) + "=" + value;
    if (entry.value) {
        text.replace(entry.value_begin, entry.value_end - entry.value_begin, value);
    } else if (entry.group_found) {
        text.insert(entry.group_end, "\n" + line);
    } else {
        if (!text.empty() && text.back() != '\n') {
            text += '\n';
        }
        if (!text.empty()) {
            text += '\n';
        }
        text += "[" + std::string(key.group) + "]\n" + line + "\n";
    }
    return text;
}

std::optional<int> ParseKConfigInt(const std::optional<std::string>& value) {
    return value ? ParseInteger<int>(*value) : std::nullopt;
}

std::optional<double> ParseKConfigDouble(const std::optional<std::string>& value) {
    if (!value) {
        return std::nullopt;
    }
    double number = 0.0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, number);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

std::optional<bool> ParseKConfigBool(const std::optional<std::string>& value) {
    if (!value) {
        return std::nullopt;
    }
    const std::string lower = AsciiLower(*value);
    if (lower == "true" || lower == "on" || lower == "yes" || lower == "1") {
        return true;
    }
    if (lower == "false" || lower == "off" || lower == "no" || lower == "0") {
        return false;
    }
    return std::nullopt;
}

std::string FormatDouble(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A configuration file's text: empty when the file does not exist, nullopt when it cannot be
// read or is not text.
std::optional<std::string> ReadConfigText(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return std::string();
    }
    std::optional<std::string> text = ReadWholeFile(path);
    if (!text || text->find('\0') != std::string::npos || !IsValidUtf8(*text)) {
        return std::nullopt;
    }
    return text;
}

// Replaces the file with `text`; a link is followed so that the file it names is replaced, and
// the file keeps its permissions.
bool WriteConfigText(const fs::path& path, const std::string& text) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(path, ec)) {
        target = fs::canonical(path, ec);
        if (ec) {
            return false;
        }
    }
    const fs::file_status old = fs::status(target, ec);
    if (!fs::exists(old) && !EnsureFolder(target.parent_path())) {
        return false;
    }
    if (!WriteFileAtomically(target, text)) {
        return false;
    }
    if (fs::exists(old)) {
        fs::permissions(target, old.permissions(), ec);
    }
    return true;
}

// Tells the running KDE applications that the mouse settings changed (KGlobalSettings'
// SettingsChanged, category mouse). A connection of its own: the shared session connection
// would end the process when the bus goes away.
bool NotifyMouseSettingsChanged() {
    constexpr gint32 kSettingsChanged = 3;
    constexpr gint32 kMouseSettings = 0;
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (address == nullptr) {
        g_clear_error(&error);
        return false;
    }
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    g_free(address);
    if (bus == nullptr) {
        g_clear_error(&error);
        return false;
    }
    const bool sent =
        g_dbus_connection_emit_signal(
            bus, nullptr, "/KGlobalSettings", "org.kde.KGlobalSettings", "notifyChange",
            g_variant_new("(ii)", kSettingsChanged, kMouseSettings), &error) &&
        g_dbus_connection_flush_sync(bus, nullptr, &error);
    g_clear_error(&error);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return sent;
}

class KdePointerSettings final : public PointerSettings {
  public:
    KdePointerSettings(fs::path config_folder, bool wayland)
        : config_folder_(std::move(config_folder)), wayland_(wayland) {}

    PointerDesktop Desktop() const override { return PointerDesktop::Kde; }

    bool Supports(PointerSetting setting) const override {
        switch (setting) {
            case PointerSetting::Speed:
            case PointerSetting::Precision:
                return !wayland_;
            case PointerSetting::WheelLines:
            case PointerSetting::DoubleClick:
                return true;
        }
        return false;
    }

    bool Accepts(PointerSetting setting, int value) const override {
        return Supports(setting) && AcceptsValue(setting, value);
    }

    std::optional<int> Read(PointerSetting setting) override {
        if (!Supports(setting)) {
            return std::nullopt;
        }
        const KConfigKey& key = KeyOf(setting);
        const std::lock_guard lock(mutex_);
        const std::optional<std::string> text = ReadConfigText(FileOf(key));
        if (!text) {
            return std::nullopt;
        }
        // A value the session cannot parse is one it replaces with its default.
        const std::optional<std::string> value = FindEntry(*text, key).value;
        switch (setting) {
            case PointerSetting::Speed:
                return SpeedFromFactor(ParseKConfigDouble(value).value_or(0.0));
            case PointerSetting::Precision:
                return ParseKConfigBool(value).value_or(false) ? 0 : 1;
            case PointerSetting::WheelLines:
                return std::clamp(ParseKConfigInt(value).value_or(kDefaultWheelLines),
                                  kMinWheelLines, kMaxWheelLines);
            case PointerSetting::DoubleClick:
                return ParseKConfigInt(value).value_or(kDefaultDoubleClickMs);
        }
        return std::nullopt;
    }

    PointerWrite Write(PointerSetting setting, int value) override {
        if (!Accepts(setting, value)) {
            return PointerWrite::Unsupported;
        }
        const KConfigKey& key = KeyOf(setting);
        std::string text_value;
        switch (setting) {
            case PointerSetting::Speed:
                text_value = FormatDouble(SpeedToFactor(value));
                break;
            case PointerSetting::Precision:
                text_value = value == 0 ? "true" : "false";
                break;
            case PointerSetting::WheelLines:
            case PointerSetting::DoubleClick:
                text_value = std::to_string(value);
                break;
        }
        const std::lock_guard lock(mutex_);
        const fs::path file = FileOf(key);
        const std::optional<std::string> text = ReadConfigText(file);
        if (!text) {
            return PointerWrite::Failed;
        }
        const KConfigEntry entry = FindEntry(*text, key);
        if (entry.locked) {
            return PointerWrite::Failed;
        }
        if (entry.value != text_value &&
            !WriteConfigText(file, WithValue(*text, entry, key, text_value))) {
            return PointerWrite::Failed;
        }
        if (setting == PointerSetting::Speed || setting == PointerSetting::Precision) {
            return PointerWrite::AppliesLater;
        }
        return NotifyMouseSettingsChanged() ? PointerWrite::Applied : PointerWrite::AppliesLater;
    }

  private:
    static const KConfigKey& KeyOf(PointerSetting setting) {
        switch (setting) {
            case PointerSetting::Speed:
                return kPointerAcceleration;
            case PointerSetting::Precision:
                return kAccelProfileFlat;
            case PointerSetting::WheelLines:
                return kWheelScrollLines;
            case PointerSetting::DoubleClick:
                break;
        }
        return kDoubleClickInterval;
    }

    fs::path FileOf(const KConfigKey& key) const { return config_folder_ / key.file; }

    std::mutex mutex_;
    const fs::path config_folder_;
    const bool wayland_;
};

bool IsWaylandSession() {
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return type != nullptr && EqualsIgnoreAsciiCase(type, "wayland");
}

}  // namespace

std::unique_ptr<PointerSettings> OpenPointerSettings(PointerDesktop desktop) {
    switch (desktop) {
        case PointerDesktop::Gnome:
            return std::make_unique<GnomePointerSettings>();
        case PointerDesktop::Kde:
            return std::make_unique<KdePointerSettings>(ConfigHomeFolder(), IsWaylandSession());
        case PointerDesktop::None:
            break;
    }
    return std::make_unique<NoPointerSettings>();
}

}  // namespace veltra
