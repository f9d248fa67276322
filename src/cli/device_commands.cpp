// veltractl catalogue, devices, status and reset.

#include <cstdio>
#include <string>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/write_outcome.h"
#include "config/app_info.h"
#include "config/language.h"
#include "frontend/setting_rules.h"
#include "platform/linux/hidapi_backend.h"
#include "settings/performance_rules.h"
#include "shell/app_folders.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra::cli {
namespace {

constexpr const char* kRuleName = "70-veltra-mouse.rules";

std::string PairText(int vid, int pid) {
    char text[12];
    std::snprintf(text, sizeof text, "%04X:%04X", static_cast<unsigned>(vid) & 0xFFFF,
                  static_cast<unsigned>(pid) & 0xFFFF);
    return text;
}

// Release numbers are binary-coded decimal: 0x0102 is version 1.02.
std::string ReleaseText(int release) {
    char text[12];
    std::snprintf(text, sizeof text, "%x.%02x", (release >> 8) & 0xFF, release & 0xFF);
    return text;
}

int ReportRateHz(int code, ConnectionMode mode) {
    if (mode == ConnectionMode::Bluetooth) {
        return 133;
    }
    static constexpr int kRates[] = {1000, 500, 250, 125};
    return kRates[code & 3];
}

// The unit the window shows after the idle-light and sleep times; seconds in any language.
std::string UnitText(int text_id) {
    const std::string text = GetLangText(text_id);
    return text.empty() ? "s" : text;
}

int NoArguments(std::string_view command, const Args& args) {
    if (!args.empty()) {
        return UsageError(command, "takes no arguments, got \"" + std::string(args[0]) + "\"");
    }
    return kExitOk;
}

}  // namespace

int RunCatalogue(const GlobalOptions& options, const Args& args) {
    if (const int code = NoArguments("catalogue", args); code != kExitOk) {
        return code;
    }
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    const Catalogue& catalogue = session.catalogue();
    Json models = Json::array();
    for (const DeviceModelEntry& model : catalogue.models) {
        Json modes = Json::array();
        for (const DeviceModelEntry& mode : catalogue.modes) {
            if (mode.device_type == model.device_type && mode.name == model.name) {
                const auto connection = static_cast<ConnectionMode>(mode.connection_mode);
                modes.push_back({{"vendor_id", mode.vid},
                                 {"product_id", mode.pid},
                                 {"mode", ModeToken(connection)},
                                 {"mode_text", ModeName(connection)}});
            }
        }
        models.push_back({{"name", model.name},
                          {"device_type", model.device_type},
                          {"file_stem", model.file_stem},
                          {"modes", std::move(modes)}});
    }
    if (options.json) {
        PrintJson({{"caption", ApplicationCaption()},
                   {"version", catalogue.software.version},
                   {"program_folder", ProgramFolder().string()},
                   {"language", CurrentLanguageId()},
                   {"models", std::move(models)}});
        return kExitOk;
    }
    Out("%s\n", ApplicationCaption().c_str());
    if (catalogue.software.found) {
        Out("%s\n", FormatVersionLabel(catalogue.software.version).c_str());
    }
    Out("program folder: %s\nlanguage: %d\n", ProgramFolder().c_str(), CurrentLanguageId());
    for (const Json& model : models) {
        Out("\n%s  (device type %d, files \"%s\")\n", model.value("name", "").c_str(),
            model.value("device_type", 0), model.value("file_stem", "").c_str());
        for (const Json& mode : model.at("modes")) {
            Out("  %s  %s\n",
                PairText(mode.value("vendor_id", 0), mode.value("product_id", 0)).c_str(),
                mode.value("mode_text", "").c_str());
        }
    }
    return kExitOk;
}

int RunDevices(const GlobalOptions& options, const Args& args) {
    if (const int code = NoArguments("devices", args); code != kExitOk) {
        return code;
    }
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    session.Scan();
    if (session.records().empty()) {
        if (const std::string failure = session.BackendFailure(); !failure.empty()) {
            return session.Fail(failure);
        }
    }

    Json devices = Json::array();
    for (const DeviceRecord& record : session.records()) {
        devices.push_back({{"vendor_id", record.vendor_id},
                           {"product_id", record.product_id},
                           {"device_type", record.device_type},
                           {"model", session.ModelName(record.device_type)},
                           {"mode", ModeToken(record.mode)},
                           {"mode_text", ModeName(record.mode)},
                           {"online", record.online == 1},
                           {"release", ReleaseText(record.release_number)},
                           {"path", record.path}});
    }
    // hidapi cannot say why an open failed; asking the device node tells a missing access rule
    // apart from a device that vanished or is held by another program.
    Json unopened = Json::array();
    bool permission_denied = false;
    for (const UnopenedInterface& item : session.UnopenedInterfaces()) {
        std::string reason = "could not be opened";
        if (session.UsesHidraw()) {
            switch (ProbeAccess(item.path)) {
                case OpenError::PermissionDenied:
                    reason = "permission denied";
                    permission_denied = true;
                    break;
                case OpenError::Busy:
                    reason = "busy";
                    break;
                case OpenError::NotFound:
                    reason = "gone";
                    break;
                default:
                    break;
            }
        }
        unopened.push_back({{"vendor_id", item.vendor_id},
                            {"product_id", item.product_id},
                            {"path", item.path},
                            {"error", reason}});
    }
    const std::string rule_hint =
        std::string(
            "the current user may not open the mouse's hidraw device; install the access "
            "rule ") +
        kRuleName + " (see the README: \"Access to the mouse\"), then unplug and replug the mouse";

    if (options.json) {
        Json result = {{"devices", std::move(devices)}, {"unopened", std::move(unopened)}};
        if (permission_denied) {
            result["hint"] = rule_hint;
        }
        if (session.records().empty()) {
            result["error"] = "no supported mouse is connected";
        }
        PrintJson(result);
    } else {
        for (const Json& d : devices) {
            Out("%s  %s (device type %d)  %s  %s  release %s  %s\n",
                PairText(d.value("vendor_id", 0), d.value("product_id", 0)).c_str(),
                d.value("model", "").c_str(), d.value("device_type", 0),
                d.value("mode_text", "").c_str(), d.value("online", false) ? "online" : "offline",
                d.value("release", "").c_str(), d.value("path", "").c_str());
        }
        for (const Json& u : unopened) {
            Out("%s  %s: %s\n", PairText(u.value("vendor_id", 0), u.value("product_id", 0)).c_str(),
                u.value("path", "").c_str(), u.value("error", "").c_str());
        }
        if (permission_denied) {
            Err("veltractl: %s\n", rule_hint.c_str());
        }
    }
    if (session.records().empty()) {
        if (!options.json && !permission_denied) {
            Err("veltractl: no supported mouse is connected\n");
        }
        return kExitFailure;
    }
    return kExitOk;
}

int RunStatus(const GlobalOptions& options, const Args& args) {
    if (const int code = NoArguments("status", args); code != kExitOk) {
        return code;
    }
    Session session(options);
    if (const int code = session.Connect(); code != kExitOk) {
        return code;
    }
    if (const int code = session.ReadMouse(); code != kExitOk) {
        return code;
    }
    const ConnectionMode mode = session.comm().GetConnectionMode();
    const ConfigFields fields = session.protocol().LoadConfigFields();
    const int profile = session.state().active_profile;

    Json result = {
        {"model", {{"name", session.model_name()}, {"device_type", session.device_type()}}},
        {"demo", options.demo},
        {"mode", ModeToken(mode)},
        {"connection", ModeName(mode)}};
    if (const std::optional<DeviceRecord> record = session.comm().SelectDevice()) {
        result["interface"] = record->path;
        result["release"] = ReleaseText(record->release_number);
    }
    result["profile"] = {{"id", profile}, {"name", session.ProfileName(profile)}};
    if (const std::optional<BatteryInfo>& battery = session.battery()) {
        result["battery"] = {{"level", battery->level}, {"charging", battery->charging}};
    } else {
        result["battery"] = nullptr;
    }
    Json levels = Json::array();
    for (int i = 0; i < kDpiLevels; ++i) {
        const auto at = static_cast<std::size_t>(i);
        levels.push_back({{"level", i},
                          {"dpi", fields.dpi_value[at]},
                          {"rgbindex", fields.rgb_index[at]},
                          {"colour", ColourText(PaletteColour(fields.rgb_index[at]))},
                          {"enabled", ((fields.dpi_flag >> i) & 1) != 0},
                          {"active", fields.dpi_index == i}});
    }
    const Json settings = {{"report_rate", fields.report_rate},
                           {"report_rate_hz", ReportRateHz(fields.report_rate, mode)},
                           {"sleep_light", fields.sleep_light},
                           {"sleep_light_seconds", IdleLightSeconds(fields.sleep_light)},
                           {"spare_time", fields.spare_time},
                           {"spare_time_seconds", SleepSeconds(fields.spare_time)},
                           {"key_wakeup", fields.key_wakeup},
                           {"game_mode", fields.game_mode},
                           {"lightmode", fields.lightmode & 1},
                           {"dpi_flag", fields.dpi_flag},
                           {"dpi_index", fields.dpi_index},
                           {"dpi_levels", std::move(levels)}};

    if (options.json) {
        result["settings"] = settings;
        PrintJson(result);
        return kExitOk;
    }
    Out("%s (device type %d)%s\n", session.model_name().c_str(), session.device_type(),
        options.demo ? ", simulated" : "");
    Out("connection: %s\n", ModeName(mode).c_str());
    if (const std::optional<BatteryInfo>& battery = session.battery()) {
        Out("battery:    %d%%%s\n", battery->level, battery->charging ? ", charging" : "");
    } else {
        Out("battery:    unknown (no status answer)\n");
    }
    Out("profile:    %d  %s\n", profile, session.ProfileName(profile).c_str());
    Out("report rate:     %d Hz (report_rate=%d)\n", ReportRateHz(fields.report_rate, mode),
        fields.report_rate);
    Out("idle light:      %d%s (sleep_light=%d)\n", IdleLightSeconds(fields.sleep_light),
        UnitText(kIdleLightUnitText).c_str(), fields.sleep_light);
    Out("sleep after:     %d%s (spare_time=%d)\n", SleepSeconds(fields.spare_time),
        UnitText(kSleepUnitText).c_str(), fields.spare_time);
    Out("key wake-up:     %s\ngame mode:       %s\nlighting:        %s\n",
        fields.key_wakeup ? "on" : "off", fields.game_mode ? "on" : "off",
        (fields.lightmode & 1) ? "on" : "off");
    Out("DPI levels (* active, + in the DPI button cycle):\n");
    for (int i = 0; i < kDpiLevels; ++i) {
        const auto at = static_cast<std::size_t>(i);
        Out("  %c%c %d: %5d DPI  %s\n", fields.dpi_index == i ? '*' : ' ',
            ((fields.dpi_flag >> i) & 1) ? '+' : ' ', i, fields.dpi_value[at],
            ColourText(PaletteColour(fields.rgb_index[at])).c_str());
    }
    return kExitOk;
}

int RunReset(const GlobalOptions& options, const Args& args) {
    if (const int code = NoArguments("reset", args); code != kExitOk) {
        return code;
    }
    Session session(options);
    if (const int code = session.Connect(Session::DamagedStore::kAccept); code != kExitOk) {
        return code;
    }
    // A damaged store must be recoverable without the mouse at hand; the mouse's part of the
    // reset is then reported as not done.
    const bool mouse = session.comm().GetConnectionMode() != ConnectionMode::NotConnected;
    const std::string question =
        mouse ? "Reset the " + session.model_name() +
                    " to its factory settings and recreate its five profiles?"
              : "No " + session.model_name() + " is connected. Recreate its five profiles anyway?";
    switch (Confirm(options, question)) {
        case Answer::Yes:
            break;
        case Answer::NoTerminal:
            return UsageError("reset", "needs --yes when not run from a terminal");
        case Answer::Asked:
            // Nothing was changed; the veltractl the window runs this for asks and sends again.
            return kExitFailure;
        case Answer::No:
            return session.Fail("reset cancelled; nothing was changed");
    }
    const StoreReset recreated = session.store().ResetDeviceStore(
        UserDataFolder(), session.file_stem(), session.device_type());
    const std::string kept = recreated.kept_copy.string();
    if (!recreated.ok) {
        return session.Fail("could not recreate the profile store " + session.store().Path() +
                            ": " + recreated.error +
                            (kept.empty() ? "" : "; the old file is kept as " + kept));
    }
    session.ReloadProfiles();
    if (!mouse) {
        return session.Fail(
            "the profiles of the " + session.model_name() + " are the defaults again" +
            (kept.empty() ? "" : " (the damaged store was kept as " + kept + ")") + ", but no " +
            session.model_name() + " is connected: the mouse itself was not reset");
    }
    session.TakeWrites();
    const ResetOutcome reset = session.protocol().ResetDevice();
    Json result;
    session.ReportWrites(result);
    if (!WasSent(reset.result)) {
        return session.Fail(
            "the profiles are the defaults again, but the factory-reset commands "
            "did not reach the " +
            session.model_name() + ": " + NotSentReason(reset.result));
    }
    const bool resync = reset.resync;
    bool read_back = false;
    if (resync) {
        // Behind the receiver the mouse does not re-enumerate, so read it again here.
        read_back = session.protocol().ReadDeviceData();
        session.ReloadProfiles();
    }
    result["profile"] = session.state().active_profile;
    result["read_back"] = read_back;
    if (!kept.empty()) {
        result["damaged_copy"] = kept;
    }
    if (options.json) {
        PrintJson(result);
    } else {
        if (!kept.empty()) {
            Out("The damaged profile store was kept as %s.\n", kept.c_str());
        }
        Out("The %s was reset; its profiles are the defaults again (profile %d active).\n",
            session.model_name().c_str(), session.state().active_profile);
        if (!resync) {
            Out("The mouse restarts now.\n");
        }
    }
    return kExitOk;
}

}  // namespace veltra::cli
