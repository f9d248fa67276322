// veltractl catalogue, devices, status and reset.

#include <unistd.h>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/session.h"
#include "cli/write_outcome.h"
#include "config/app_info.h"
#include "config/language.h"
#include "platform/linux/hidapi_backend.h"
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
    JsonValue::Array models;
    for (const DeviceModelEntry& model : catalogue.models) {
        JsonValue entry;
        entry.Set("name", model.name);
        entry.Set("device_type", model.device_type);
        entry.Set("file_stem", model.file_stem);
        JsonValue::Array modes;
        for (const DeviceModelEntry& mode : catalogue.modes) {
            if (mode.device_type == model.device_type && mode.name == model.name) {
                JsonValue m;
                m.Set("vendor_id", mode.vid);
                m.Set("product_id", mode.pid);
                const auto connection = static_cast<ConnectionMode>(mode.connection_mode);
                m.Set("mode", ModeToken(connection));
                m.Set("mode_text", ModeName(connection));
                modes.push_back(std::move(m));
            }
        }
        entry.Set("modes", std::move(modes));
        models.push_back(std::move(entry));
    }
    if (options.json) {
        JsonValue result;
        result.Set("caption", ApplicationCaption());
        result.Set("version", catalogue.software.version);
        result.Set("program_folder", ProgramFolder().string());
        result.Set("language", CurrentLanguageId());
        result.Set("models", std::move(models));
        PrintJson(result);
        return kExitOk;
    }
    std::printf("%s\n", ApplicationCaption().c_str());
    if (catalogue.software.found) {
        std::printf("%s\n", FormatVersionLabel(catalogue.software.version).c_str());
    }
    std::printf("program folder: %s\nlanguage: %d\n", ProgramFolder().c_str(), CurrentLanguageId());
    for (const JsonValue& model : models) {
        std::printf("\n%s  (device type %d, files \"%s\")\n",
                    model.GetString("name").value_or("").c_str(),
                    static_cast<int>(model.GetInt("device_type").value_or(0)),
                    model.GetString("file_stem").value_or("").c_str());
        for (const JsonValue& mode : model.Find("modes")->AsArray()) {
            std::printf("  %s  %s\n",
                        PairText(static_cast<int>(mode.GetInt("vendor_id").value_or(0)),
                                 static_cast<int>(mode.GetInt("product_id").value_or(0)))
                            .c_str(),
                        mode.GetString("mode_text").value_or("").c_str());
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

    JsonValue::Array devices;
    for (const DeviceRecord& record : session.records()) {
        JsonValue entry;
        entry.Set("vendor_id", record.vendor_id);
        entry.Set("product_id", record.product_id);
        entry.Set("device_type", record.device_type);
        entry.Set("model", session.ModelName(record.device_type));
        entry.Set("mode", ModeToken(record.mode));
        entry.Set("mode_text", ModeName(record.mode));
        entry.Set("online", record.online == 1);
        entry.Set("release", ReleaseText(record.release_number));
        entry.Set("path", record.path);
        devices.push_back(std::move(entry));
    }
    // hidapi cannot say why an open failed; asking the device node tells a missing access rule
    // apart from a device that vanished or is held by another program.
    JsonValue::Array unopened;
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
        JsonValue entry;
        entry.Set("vendor_id", item.vendor_id);
        entry.Set("product_id", item.product_id);
        entry.Set("path", item.path);
        entry.Set("error", reason);
        unopened.push_back(std::move(entry));
    }
    const std::string rule_hint =
        std::string(
            "the current user may not open the mouse's hidraw device; install the access "
            "rule ") +
        kRuleName + " (see the README: \"Access to the mouse\"), then unplug and replug the mouse";

    if (options.json) {
        JsonValue result;
        result.Set("devices", std::move(devices));
        result.Set("unopened", std::move(unopened));
        if (permission_denied) {
            result.Set("hint", rule_hint);
        }
        PrintJson(result);
    } else {
        for (const JsonValue& d : devices) {
            std::printf("%s  %s (device type %d)  %s  %s  release %s  %s\n",
                        PairText(static_cast<int>(d.GetInt("vendor_id").value_or(0)),
                                 static_cast<int>(d.GetInt("product_id").value_or(0)))
                            .c_str(),
                        d.GetString("model").value_or("").c_str(),
                        static_cast<int>(d.GetInt("device_type").value_or(0)),
                        d.GetString("mode_text").value_or("").c_str(),
                        d.Find("online")->AsBool() ? "online" : "offline",
                        d.GetString("release").value_or("").c_str(),
                        d.GetString("path").value_or("").c_str());
        }
        for (const JsonValue& u : unopened) {
            std::printf("%s  %s: %s\n",
                        PairText(static_cast<int>(u.GetInt("vendor_id").value_or(0)),
                                 static_cast<int>(u.GetInt("product_id").value_or(0)))
                            .c_str(),
                        u.GetString("path").value_or("").c_str(),
                        u.GetString("error").value_or("").c_str());
        }
        if (permission_denied) {
            std::fprintf(stderr, "veltractl: %s\n", rule_hint.c_str());
        }
    }
    if (session.records().empty()) {
        if (!options.json && !permission_denied) {
            std::fprintf(stderr, "veltractl: no supported mouse is connected\n");
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

    JsonValue result;
    JsonValue model;
    model.Set("name", session.model_name());
    model.Set("device_type", session.device_type());
    result.Set("model", std::move(model));
    result.Set("demo", options.demo);
    result.Set("mode", ModeToken(mode));
    result.Set("connection", ModeName(mode));
    if (const std::optional<DeviceRecord> record = session.comm().SelectDevice()) {
        result.Set("interface", record->path);
        result.Set("release", ReleaseText(record->release_number));
    }
    JsonValue profile_value;
    profile_value.Set("id", profile);
    profile_value.Set("name", session.ProfileName(profile));
    result.Set("profile", std::move(profile_value));
    if (const std::optional<BatteryInfo>& battery = session.battery()) {
        JsonValue b;
        b.Set("level", battery->level);
        b.Set("charging", battery->charging);
        result.Set("battery", std::move(b));
    } else {
        result.Set("battery", nullptr);
    }
    JsonValue settings;
    settings.Set("report_rate", fields.report_rate);
    settings.Set("report_rate_hz", ReportRateHz(fields.report_rate, mode));
    settings.Set("sleep_light", fields.sleep_light);
    settings.Set("sleep_light_minutes", 5 * ((fields.sleep_light & 7) + 1));
    settings.Set("spare_time", fields.spare_time);
    static constexpr int kSleepMinutes[] = {10, 60, 120, 180};
    settings.Set("spare_time_minutes", kSleepMinutes[fields.spare_time & 3]);
    settings.Set("key_wakeup", fields.key_wakeup);
    settings.Set("game_mode", fields.game_mode);
    settings.Set("lightmode", fields.lightmode & 1);
    settings.Set("dpi_flag", fields.dpi_flag);
    settings.Set("dpi_index", fields.dpi_index);
    JsonValue::Array levels;
    for (int i = 0; i < kDpiLevels; ++i) {
        JsonValue level;
        level.Set("level", i);
        level.Set("dpi", fields.dpi_value[static_cast<std::size_t>(i)]);
        level.Set("rgbindex", fields.rgb_index[static_cast<std::size_t>(i)]);
        level.Set("colour",
                  ColourText(PaletteColour(fields.rgb_index[static_cast<std::size_t>(i)])));
        level.Set("enabled", ((fields.dpi_flag >> i) & 1) != 0);
        level.Set("active", fields.dpi_index == i);
        levels.push_back(std::move(level));
    }
    settings.Set("dpi_levels", std::move(levels));

    if (options.json) {
        result.Set("settings", std::move(settings));
        PrintJson(result);
        return kExitOk;
    }
    std::printf("%s (device type %d)%s\n", session.model_name().c_str(), session.device_type(),
                options.demo ? ", simulated" : "");
    std::printf("connection: %s\n", ModeName(mode).c_str());
    if (const std::optional<BatteryInfo>& battery = session.battery()) {
        std::printf("battery:    %d%%%s\n", battery->level, battery->charging ? ", charging" : "");
    } else {
        std::printf("battery:    unknown (no status answer)\n");
    }
    std::printf("profile:    %d  %s\n", profile, session.ProfileName(profile).c_str());
    std::printf("report rate:     %d Hz (report_rate=%d)\n", ReportRateHz(fields.report_rate, mode),
                fields.report_rate);
    std::printf("idle light:      %d min (sleep_light=%d)\n", 5 * ((fields.sleep_light & 7) + 1),
                fields.sleep_light);
    std::printf("sleep after:     %d min (spare_time=%d)\n", kSleepMinutes[fields.spare_time & 3],
                fields.spare_time);
    std::printf("key wake-up:     %s\ngame mode:       %s\nlighting:        %s\n",
                fields.key_wakeup ? "on" : "off", fields.game_mode ? "on" : "off",
                (fields.lightmode & 1) ? "on" : "off");
    std::printf("DPI levels (* active, + in the DPI button cycle):\n");
    for (int i = 0; i < kDpiLevels; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::printf("  %c%c %d: %5d DPI  %s\n", fields.dpi_index == i ? '*' : ' ',
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
    if (const int code = session.Connect(); code != kExitOk) {
        return code;
    }
    if (const int code = session.RequireMouse(); code != kExitOk) {
        return code;
    }
    if (!options.yes) {
        if (!isatty(STDIN_FILENO)) {
            return UsageError("reset", "needs --yes when not run from a terminal");
        }
        std::printf("Reset the %s to its factory settings and recreate its five profiles? [y/N] ",
                    session.model_name().c_str());
        std::fflush(stdout);
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes") {
            return session.Fail("reset cancelled; nothing was changed");
        }
    }
    if (!session.store().ResetDeviceStore(UserDataFolder(), session.file_stem(),
                                          session.device_type())) {
        return session.Fail("cannot recreate the profile store " + session.store().Path());
    }
    session.ReloadProfiles();
    session.TakeWrites();
    const ResetOutcome reset = session.protocol().ResetDevice();
    JsonValue result;
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
    result.Set("profile", session.state().active_profile);
    result.Set("read_back", read_back);
    if (options.json) {
        PrintJson(result);
    } else {
        std::printf("The %s was reset; its profiles are the defaults again (profile %d active).\n",
                    session.model_name().c_str(), session.state().active_profile);
        if (!resync) {
            std::printf("The mouse restarts now.\n");
        }
    }
    return kExitOk;
}

}  // namespace veltra::cli
