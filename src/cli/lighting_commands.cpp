// veltractl lighting.

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/write_outcome.h"
#include "common/text.h"
#include "config/device_description.h"
#include "config/language.h"
#include "frontend/lighting_effects.h"
#include "frontend/setting_rules.h"
#include "shell/app_folders.h"
#include "store/profile_store.h"

namespace veltra::cli {
namespace {

constexpr std::string_view kCommand = "lighting";

struct SettingName {
    std::string_view name;
    LightSetting setting;
    int offer;  // the config_func bit
};

constexpr SettingName kSettings[] = {
    {"brightness", LightSetting::Brightness, kLightOffersBrightness},
    {"speed", LightSetting::Speed, kLightOffersSpeed},
    {"colour", LightSetting::Colour, kLightOffersColour},
};

struct Change {
    const SettingName* setting = nullptr;
    int value = 0;
};

std::string LangText(int id) {
    return GetLangText(id);
}

// "brightness=N", "speed=N", "colour=#RRGGBB" ("color" too); kExitOk or the usage error.
int ParseChange(std::string_view arg, std::vector<Change>& changes) {
    const std::size_t equals = arg.find('=');
    std::string_view name = arg.substr(0, equals);
    if (name == "color") {
        name = "colour";
    }
    const SettingName* setting = nullptr;
    for (const SettingName& entry : kSettings) {
        if (entry.name == name) {
            setting = &entry;
        }
    }
    if (equals == std::string_view::npos || setting == nullptr) {
        return UsageError(kCommand, "expected brightness=N, speed=N or colour=#RRGGBB, not \"" +
                                        std::string(arg) + "\"");
    }
    for (const Change& change : changes) {
        if (change.setting == setting) {
            return UsageError(kCommand, std::string(setting->name) + " is given twice");
        }
    }
    const std::string_view text = arg.substr(equals + 1);
    if (setting->setting == LightSetting::Colour) {
        const std::optional<long> colour = ParseColour(text);
        if (!colour || *colour < 0 || *colour > 0xFFFFFF) {
            return UsageError(kCommand, "colour is #RRGGBB, not \"" + std::string(text) + "\"");
        }
        changes.push_back({setting, static_cast<int>(*colour)});
        return kExitOk;
    }
    const std::optional<long> value = ParseInteger(text);
    if (!value || *value < 0 || *value > kLightValueMax) {
        return UsageError(
            kCommand, std::string(setting->name) + " is 0..255, not \"" + std::string(text) + "\"");
    }
    changes.push_back({setting, static_cast<int>(*value)});
    return kExitOk;
}

// The settings an effect offers, as words: "speed and colour".
std::string OffersText(int config_func) {
    std::vector<std::string_view> names;
    for (const SettingName& entry : kSettings) {
        if (LightOffers(config_func, entry.offer)) {
            names.push_back(entry.name);
        }
    }
    if (names.empty()) {
        return "nothing to set";
    }
    std::string text(names.front());
    for (std::size_t i = 1; i < names.size(); ++i) {
        text += (i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
    }
    return text;
}

Json EffectJson(const LightMode& row) {
    Json offers = Json::array();
    Json entry = {
        {"mode", row.mode}, {"name", LangText(row.reserved)}, {"active", row.status == 1}};
    if (LightOffers(row.config_func, kLightOffersBrightness)) {
        offers.push_back("brightness");
        entry["brightness"] = row.brightness;
    }
    if (LightOffers(row.config_func, kLightOffersSpeed)) {
        offers.push_back("speed");
        entry["speed"] = row.speed;
    }
    if (LightOffers(row.config_func, kLightOffersColour)) {
        offers.push_back("colour");
        entry["colour"] = ColourText(static_cast<std::uint32_t>(row.color_value));
    }
    entry["offers"] = std::move(offers);
    return entry;
}

// One line: "* 1  Static     brightness 255  speed 127  colour #FF0000", the names padded to
// `name_width` characters.
void PrintEffect(const Json& entry, std::size_t name_width) {
    const std::string name = entry.value("name", "");
    std::string line = std::string(entry.value("active", false) ? "* " : "  ") +
                       std::to_string(entry.value("mode", 0)) + "  " + name;
    std::string values;
    for (const SettingName& setting : kSettings) {
        const std::string key(setting.name);
        if (const std::optional<std::string> text = StringMember(entry, key)) {
            values += "  " + key + " " + *text;
        } else if (const std::optional<std::int64_t> number = IntMember(entry, key)) {
            values += "  " + key + " " + std::to_string(*number);
        }
    }
    if (!values.empty()) {
        line += std::string(name_width - std::min(name_width, Utf16Length(name)), ' ') + values;
    }
    Out("%s\n", line.c_str());
}

std::size_t NameWidth(const Json& effects) {
    std::size_t width = 0;
    for (const Json& entry : effects) {
        width = std::max(width, Utf16Length(entry.value("name", "")));
    }
    return width;
}

// Gives the active profile the default effects when it has none; kExitOk, or the failure.
int EnsureEffects(Session& session) {
    const int profile = session.state().active_profile;
    EnsureLightEffects(session.store(), profile, true, LangText);
    if (session.store().CountLightModes(profile) == 0) {
        return session.Fail("cannot store the lighting effects of profile " +
                            std::to_string(profile) + " in " + session.store().Path());
    }
    return kExitOk;
}

int List(Session& session) {
    const int profile = session.state().active_profile;
    std::vector<LightMode> rows;
    session.store().LoadLightModes(profile, rows);
    Json effects = Json::array();
    for (const LightMode& row : rows) {
        effects.push_back(EffectJson(row));
    }
    if (session.options().json) {
        PrintJson({{"profile", profile},
                   {"active", session.store().GetActiveLightMode(profile)},
                   {"effects", std::move(effects)}});
        return kExitOk;
    }
    Out("profile %d (%s) of the %s:\n", profile, session.ProfileName(profile).c_str(),
        session.model_name().c_str());
    const std::size_t width = NameWidth(effects);
    for (const Json& entry : effects) {
        PrintEffect(entry, width);
    }
    return kExitOk;
}

int Set(Session& session, int effect, const std::vector<Change>& changes) {
    const int profile = session.state().active_profile;
    ProfileStore& store = session.store();
    const std::optional<LightMode> row = LoadLightEffect(store, profile, effect);
    if (!row) {
        return session.Fail("profile " + std::to_string(profile) + " has no lighting effect " +
                            std::to_string(effect) + " in " + store.Path());
    }
    for (const Change& change : changes) {
        if (!LightOffers(row->config_func, change.setting->offer)) {
            return UsageError(kCommand, "effect " + std::to_string(effect) + " (" +
                                            LangText(row->reserved) + ") has no " +
                                            std::string(change.setting->name) + "; it offers " +
                                            OffersText(row->config_func));
        }
    }
    // The read makes the config template current, as for every settings write.
    session.Scan();
    if (const int code = session.ReadMouse(); code != kExitOk) {
        return code;
    }
    bool stored = ChooseLightEffect(store, profile, effect) == LightWrite::Stored;
    for (const Change& change : changes) {
        stored = stored && SetLightEffectValue(store, profile, effect, change.setting->setting,
                                               change.value) == LightWrite::Stored;
    }
    if (!stored) {
        return session.Fail("cannot store the lighting effect in " + store.Path() +
                            "; nothing was sent to the mouse");
    }
    session.TakeWrites();
    // The mouse keeps no effect rows; like the window, the settings write follows the change.
    const ExchangeResult sent = session.protocol().WriteConfig();
    Json result = {{"profile", profile}};
    if (const std::optional<LightMode> now = LoadLightEffect(store, profile, effect)) {
        result["effect"] = EffectJson(*now);
    }
    session.ReportWrites(result);
    if (!WasSent(sent)) {
        return session.Fail("stored the lighting effect in profile " + std::to_string(profile) +
                            ", but the settings did not reach the " + session.model_name() + ": " +
                            NotSentReason(sent));
    }
    if (session.options().json) {
        PrintJson(result);
        return kExitOk;
    }
    Out("profile %d (%s) of the %s:\n", profile, session.ProfileName(profile).c_str(),
        session.model_name().c_str());
    if (const Json* entry = FindMember(result, "effect")) {
        PrintEffect(*entry, 0);
    }
    Out("sent the settings to the mouse (%s)\n",
        ModeName(session.comm().GetConnectionMode()).c_str());
    return kExitOk;
}

}  // namespace

int RunLighting(const GlobalOptions& options, const Args& args) {
    const std::string_view sub = args.empty() ? std::string_view() : args[0];
    int effect = 0;
    std::vector<Change> changes;
    if (sub == "list") {
        if (args.size() != 1) {
            return UsageError(kCommand, "list takes no further arguments");
        }
    } else if (sub == "set") {
        if (args.size() < 2) {
            return UsageError(kCommand,
                              "expected set EFFECT [brightness=N] [speed=N] "
                              "[colour=#RRGGBB]");
        }
        const std::optional<long> number = ParseInteger(args[1]);
        if (!number || *number < 0 || *number >= static_cast<long>(kDefaultLightEffects.size())) {
            return UsageError(kCommand,
                              "EFFECT is a number 0..6, not \"" + std::string(args[1]) + "\"");
        }
        effect = static_cast<int>(*number);
        for (std::size_t i = 2; i < args.size(); ++i) {
            if (const int code = ParseChange(args[i], changes); code != kExitOk) {
                return code;
            }
        }
    } else {
        return UsageError(kCommand, "expected list or set");
    }

    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    if (!session.HasLighting()) {
        return session.Fail("the " + session.model_name() + " (device type " +
                            std::to_string(session.device_type()) + ") has no lighting");
    }
    // A refused setting is known from the store alone, before the mouse is reached.
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    if (const int code = EnsureEffects(session); code != kExitOk) {
        return code;
    }
    return sub == "set" ? Set(session, effect, changes) : List(session);
}

}  // namespace veltra::cli
