// veltractl profile: the profile list, the active profile, and profile files.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/write_outcome.h"
#include "common/text.h"
#include "config/language.h"
#include "frontend/profile_file.h"
#include "store/profile_store.h"

namespace veltra::cli {
namespace {

constexpr std::string_view kCommand = "profile";

int Select(Session& session, std::string_view text) {
    const std::optional<long> id = ParseInteger(text);
    const auto& profiles = session.profiles();
    const bool known = id && std::any_of(profiles.begin(), profiles.end(),
                                         [&](const auto& p) { return p.first == *id; });
    if (!known) {
        std::string message = "no profile \"" + std::string(text) + "\"; the profiles are";
        for (const auto& [profile_id, name] : profiles) {
            message += " " + std::to_string(profile_id);
        }
        return UsageError(kCommand, message);
    }
    // As the window: only the active profile changes; the mouse gets it with the next write.
    if (!session.store().SetActiveProfile(static_cast<int>(*id))) {
        return session.Fail("cannot change the active profile in " + session.store().Path());
    }
    session.ReloadProfiles();
    return kExitOk;
}

int List(Session& session) {
    const int active = session.state().active_profile;
    if (session.options().json) {
        Json entries = Json::array();
        for (const auto& [profile_id, name] : session.profiles()) {
            entries.push_back(
                {{"id", profile_id}, {"name", name}, {"active", profile_id == active}});
        }
        PrintJson({{"active", active}, {"profiles", std::move(entries)}});
        return kExitOk;
    }
    for (const auto& [profile_id, name] : session.profiles()) {
        Out("%c %d  %s\n", profile_id == active ? '*' : ' ', profile_id, name.c_str());
    }
    return kExitOk;
}

int Export(Session& session, const std::filesystem::path& file) {
    const int profile = session.state().active_profile;
    const std::string name = session.ProfileName(profile);
    const ProfileFileError error = ExportProfile(session.store(), UserPath(file.string()),
                                                 {.profile = profile,
                                                  .key_profile = profile,
                                                  .name = name,
                                                  .lighting = session.HasLighting()});
    if (error != ProfileFileError::kNone) {
        return session.Fail("cannot export to " + file.string() + ": " +
                            ProfileFileErrorText(error));
    }
    if (session.options().json) {
        PrintJson({{"file", file.string()}, {"profile", profile}, {"name", name}});
    } else {
        Out("exported profile %d \"%s\" to %s\n", profile, name.c_str(), file.string().c_str());
    }
    return kExitOk;
}

std::string Joined(const std::vector<std::string>& keys) {
    std::string text;
    for (const std::string& key : keys) {
        text += (text.empty() ? "" : ", ") + key;
    }
    return text;
}

// With `send`, the mouse is read first (the settings write needs its current block, and the read
// stores the mouse's values), then the file replaces them and both writes follow.
int Import(Session& session, const std::filesystem::path& file, bool send) {
    if (send) {
        session.Scan();
        if (const int code = session.OpenStore(); code != kExitOk) {
            return code;
        }
        if (const int code = session.ReadMouse(); code != kExitOk) {
            return code;
        }
    } else if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    const int profile = session.state().active_profile;
    const ProfileImportResult result =
        ImportProfile(session.store(), UserPath(file.string()),
                      {.profile = profile,
                       .device_type = session.device_type(),
                       .lighting = session.HasLighting(),
                       .lang = [](int id) { return GetLangText(id); }});
    if (!result.ok()) {
        return session.Fail("cannot import " + file.string() + ": " +
                            ProfileFileErrorText(result.error) + "; nothing was changed");
    }
    Json report = {{"file", file.string()},
                   {"profile", profile},
                   {"name_in_file", result.name},
                   {"keys", result.keys},
                   {"lighting_effects", result.light_modes},
                   {"settings", Json::object()},
                   {"corrected", result.corrected},
                   {"kept", result.kept}};
    for (const auto& [key, value] : result.settings) {
        report["settings"][key] = SettingJson(value);
    }
    if (send) {
        session.TakeWrites();
        const ExchangeResult settings = session.protocol().WriteConfig();
        const ExchangeResult keys = session.protocol().WriteKeys();
        session.ReportWrites(report);
        for (const ExchangeResult sent : {settings, keys}) {
            if (!WasSent(sent)) {
                return session.Fail("imported " + file.string() + " into profile " +
                                    std::to_string(profile) + ", but it did not reach the " +
                                    session.model_name() + ": " + NotSentReason(sent));
            }
        }
    }
    if (session.options().json) {
        PrintJson(report);
        return kExitOk;
    }
    Out("imported %s into profile %d \"%s\": %d button assignments, %d lighting effects, "
        "%zu settings\n",
        file.string().c_str(), profile, session.ProfileName(profile).c_str(), result.keys,
        result.light_modes, result.settings.size());
    if (!result.corrected.empty()) {
        Out("brought into range: %s\n", Joined(result.corrected).c_str());
    }
    if (!result.kept.empty()) {
        Out("kept as stored (no usable value in the file): %s\n", Joined(result.kept).c_str());
    }
    if (send) {
        Out("sent the settings and the button codes to the %s\n", session.model_name().c_str());
    } else {
        Out("the mouse receives the profile with the next change (or use --send)\n");
    }
    return kExitOk;
}

}  // namespace

int RunProfile(const GlobalOptions& options, const Args& raw_args) {
    Args args;
    bool send = false;
    for (const std::string_view arg : raw_args) {
        if (arg == "--send") {
            send = true;
        } else {
            args.push_back(arg);
        }
    }
    const bool list = args.size() == 1 && args[0] == "list";
    const bool with_argument =
        args.size() == 2 && (args[0] == "select" || args[0] == "export" || args[0] == "import");
    if (!list && !with_argument) {
        return UsageError(kCommand,
                          "expected \"list\", \"select N\", \"export FILE\" or "
                          "\"import FILE [--send]\"");
    }
    if (send && args[0] != "import") {
        return UsageError(kCommand, "--send belongs to \"profile import\"");
    }
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    const std::filesystem::path file{std::string(args.back())};
    if (args[0] == "import") {
        return Import(session, file, send);
    }
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    if (args[0] == "export") {
        return Export(session, file);
    }
    if (args[0] == "select") {
        if (const int code = Select(session, args[1]); code != kExitOk) {
            return code;
        }
    }
    return List(session);
}

}  // namespace veltra::cli
