// veltractl get, set, dpi, rate and profile.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/write_outcome.h"
#include "common/text.h"
#include "frontend/setting_rules.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra::cli {
namespace {

using Assignment = std::pair<std::string, std::string>;

// Stores the checked values in the active profile after reading the mouse, then sends one
// settings write.
int ApplySettings(const GlobalOptions& options, std::string_view command,
                  const std::vector<Assignment>& assignments) {
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    std::vector<Assignment> rows;
    bool changes_rate = false;
    for (const auto& [key, value] : assignments) {
        SettingCheck check = CheckSetting(key, value, session.device_type());
        if (!check.error.empty()) {
            return UsageError(command, check.error);
        }
        changes_rate = changes_rate || key == config_key::kReportRate ||
                       key == config_key::kReportRateWireless;
        rows.insert(rows.end(), check.rows.begin(), check.rows.end());
    }
    session.Scan();
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    // The read makes the config template current; a write without it would send zeros where
    // the mouse keeps its button codes.
    if (const int code = session.ReadMouse(); code != kExitOk) {
        return code;
    }
    if (changes_rate && session.comm().GetConnectionMode() == ConnectionMode::Bluetooth) {
        return session.Fail("over Bluetooth the report rate is fixed at 133 Hz");
    }
    const int profile = session.state().active_profile;
    Json stored = Json::object();
    for (const auto& [key, value] : rows) {
        if (!session.store().SetConfig(profile, key, value)) {
            return session.Fail("cannot store " + key + " in " + session.store().Path());
        }
        stored[key] = SettingJson(value);
    }
    session.TakeWrites();
    const ExchangeResult sent = session.protocol().WriteConfig();

    Json result = {{"profile", profile}, {"stored", stored}};
    session.ReportWrites(result);
    if (!WasSent(sent)) {
        return session.Fail("stored the settings in profile " + std::to_string(profile) +
                            ", but they did not reach the " + session.model_name() + ": " +
                            NotSentReason(sent));
    }
    if (options.json) {
        PrintJson(result);
        return kExitOk;
    }
    Out("profile %d (%s) of the %s:\n", profile, session.ProfileName(profile).c_str(),
        session.model_name().c_str());
    for (const auto& [key, value] : rows) {
        Out("  %s=%s\n", key.c_str(), value.c_str());
    }
    Out("sent the settings to the mouse (%s)\n",
        ModeName(session.comm().GetConnectionMode()).c_str());
    return kExitOk;
}

}  // namespace

int RunGet(const GlobalOptions& options, const Args& args) {
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    std::vector<std::string> keys;
    const std::vector<std::string> known = SettingKeys(session.device_type());
    for (const std::string_view arg : args) {
        if (std::find(known.begin(), known.end(), arg) == known.end()) {
            return UsageError("get", "unknown setting \"" + std::string(arg) +
                                         "\"; \"veltractl get\" lists the settings");
        }
        keys.emplace_back(arg);
    }
    if (keys.empty()) {
        keys = known;
    }
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    const int profile = session.state().active_profile;
    Json settings = Json::object();
    for (const std::string& key : keys) {
        std::string value;
        const bool stored = session.store().GetConfig(profile, key, value);
        if (!options.json) {
            Out("%s=%s\n", key.c_str(), value.c_str());
        }
        settings[key] = SettingJson(stored ? std::optional<std::string>(value) : std::nullopt);
    }
    if (options.json) {
        PrintJson({{"profile", profile}, {"settings", std::move(settings)}});
    }
    return kExitOk;
}

int RunSet(const GlobalOptions& options, const Args& args) {
    if (args.empty()) {
        return UsageError("set", "needs at least one KEY=VALUE");
    }
    std::vector<Assignment> assignments;
    for (const std::string_view arg : args) {
        const std::size_t equals = arg.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return UsageError("set", "expected KEY=VALUE, got \"" + std::string(arg) + "\"");
        }
        assignments.emplace_back(arg.substr(0, equals), arg.substr(equals + 1));
    }
    return ApplySettings(options, "set", assignments);
}

int RunDpi(const GlobalOptions& options, const Args& args) {
    if (args.size() != 2) {
        return UsageError("dpi", "expected LEVEL VALUE, for example \"dpi 2 1600\"");
    }
    const std::optional<long> level = ParseInteger(args[0]);
    if (!level || *level < 0 || *level >= kDpiLevels) {
        return UsageError("dpi", "LEVEL is 0..7, not \"" + std::string(args[0]) + "\"");
    }
    return ApplySettings(options, "dpi",
                         {{DpiGroupValueKey(static_cast<int>(*level)), std::string(args[1])}});
}

int RunRate(const GlobalOptions& options, const Args& args) {
    if (args.size() != 1) {
        return UsageError("rate", "expected one rate in Hz: 125, 250, 500 or 1000");
    }
    const std::optional<int> code = ReportRateCode(args[0]);
    if (!code) {
        return UsageError("rate", "\"" + std::string(args[0]) +
                                      "\" is not a report rate; allowed: 125, 250, 500, 1000 (Hz)");
    }
    return ApplySettings(options, "rate",
                         {{std::string(config_key::kReportRate), std::to_string(*code)}});
}

}  // namespace veltra::cli
