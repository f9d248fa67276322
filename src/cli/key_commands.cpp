// veltractl keys and macros.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/session.h"
#include "cli/write_outcome.h"
#include "common/text.h"
#include "config/device_description.h"
#include "config/language.h"
#include "device/command_protocol.h"
#include "settings/key_function.h"
#include "shell/app_folders.h"
#include "store/profile_store.h"

namespace veltra::cli {
namespace {

struct TypeName {
    std::string_view name;
    KeyFunctionType type;
};

constexpr TypeName kTypeNames[] = {
    {"mouse-button", KeyFunctionType::MouseButton},
    {"key-combination", KeyFunctionType::KeyCombination},
    {"multimedia", KeyFunctionType::Multimedia},
    {"macro", KeyFunctionType::MacroFunction},
    {"device-function", KeyFunctionType::DeviceFunction},
    {"device-code-12", KeyFunctionType::DeviceCode12},
    {"device-function-extended", KeyFunctionType::DeviceFunctionExtended},
    {"rapid-fire", KeyFunctionType::RapidFire},
    {"system-shortcut", KeyFunctionType::SystemShortcut},
    {"disabled", KeyFunctionType::Disabled},
    {"device-code-06", KeyFunctionType::DeviceCode06},
};

std::optional<KeyFunctionType> ParseType(std::string_view text) {
    for (const TypeName& entry : kTypeNames) {
        if (EqualsIgnoreAsciiCase(entry.name, text)) {
            return entry.type;
        }
    }
    const std::optional<long> number = ParseInteger(text);
    for (const TypeName& entry : kTypeNames) {
        if (number && *number == static_cast<long>(entry.type)) {
            return entry.type;
        }
    }
    return std::nullopt;
}

std::string TypeText(int type) {
    for (const TypeName& entry : kTypeNames) {
        if (static_cast<int>(entry.type) == type) {
            return std::string(entry.name);
        }
    }
    return std::to_string(type);
}

std::string LangText(int id) {
    return GetLangText(id);
}

MacroSlotTable SlotsOf(ProfileStore& store) {
    std::vector<MacroInfo> macros;
    store.LoadMacros(macros);
    std::vector<int> ids;
    for (const MacroInfo& macro : macros) {
        ids.push_back(macro.macro_id);
    }
    return MacroSlotTable(ids);
}

int ListKeys(Session& session) {
    const int profile = session.state().active_profile;
    std::vector<KeyAssignment> rows;
    session.store().LoadKeyAssignments(profile, 0, rows);
    const MacroSlotTable slots = SlotsOf(session.store());
    // The model's description names the buttons and their factory functions.
    std::vector<ButtonDescription> buttons;
    if (std::optional<DeviceDescription> description =
            ReadDeviceDescription(DeviceDescriptionPath(ProgramFolder(), session.file_stem()))) {
        buttons = description->buttons.value_or(std::vector<ButtonDescription>{});
    }
    Json keys = Json::array();
    for (int key_code = 0; key_code < kKeySlots; ++key_code) {
        Json entry = {{"key_code", key_code}};
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const KeyAssignment& a) {
            return a.key_code == key_code;
        });
        const auto button = std::find_if(
            buttons.begin(), buttons.end(),
            [&](const ButtonDescription& b) { return b.factory.key_code == key_code; });
        if (button != buttons.end()) {
            entry["button"] = GetLangText(button->name_id);
        }
        if (row == rows.end()) {
            entry["assigned"] = false;
            if (button != buttons.end()) {
                const KeyAssignment& factory = button->factory;
                entry["description"] = DescribeFactoryFunction(
                    FactoryKeyFunction(factory.macro_type, factory.macro_value, factory.macro_desc),
                    LangText);
            } else if (const std::optional<int> builtin = BuiltInDefaultButton(key_code)) {
                const KeyFunction function{KeyFunctionType::MouseButton, *builtin, 0, 0, {}};
                entry["description"] = DescribeKeyFunction(function, LangText);
            }
        } else {
            const KeyFunction function{static_cast<KeyFunctionType>(row->macro_type),
                                       row->macro_value, row->macro_value2, row->macro_value3,
                                       row->macro_desc};
            const KeyFunctionCode code = EncodeKeyFunction(key_code, function, slots);
            entry["assigned"] = true;
            entry["type"] = TypeText(row->macro_type);
            entry["value"] = row->macro_value;
            entry["value2"] = row->macro_value2;
            entry["value3"] = row->macro_value3;
            entry["description"] = DescribeKeyFunction(function, LangText);
            entry["code"] = FrameText({code.class_byte, code.code, code.param1, code.param2});
        }
        keys.push_back(std::move(entry));
    }
    if (session.options().json) {
        PrintJson({{"profile", profile}, {"keys", std::move(keys)}});
        return kExitOk;
    }
    for (const Json& key : keys) {
        const int key_code = key.value("key_code", 0);
        const std::string description = key.value("description", "");
        const std::string button = key.value("button", "");
        if (key.value("assigned", false)) {
            std::printf("%d %-15s %s %d %d %d  \"%s\"  code %s\n", key_code, button.c_str(),
                        key.value("type", "").c_str(), key.value("value", 0),
                        key.value("value2", 0), key.value("value3", 0), description.c_str(),
                        key.value("code", "").c_str());
        } else {
            std::printf("%d %-15s factory%s%s\n", key_code, button.c_str(),
                        description.empty() ? "" : "  ", description.c_str());
        }
    }
    return kExitOk;
}

// Reads the mouse, lets `change` alter the stored assignments (false: the store refused), then
// sends the button codes. Nothing is sent when the store refused the change.
template <typename Change>
int ChangeKeys(Session& session, Change change) {
    if (const int code = session.ReadMouse(); code != kExitOk) {
        return code;
    }
    if (!change()) {
        return session.Fail("cannot store the button assignment in " + session.store().Path() +
                            "; nothing was sent to the mouse");
    }
    session.TakeWrites();
    const ExchangeResult sent = session.protocol().WriteKeys();
    Json result = {{"profile", session.state().active_profile}};
    session.ReportWrites(result);
    if (!WasSent(sent)) {
        return session.Fail("the button codes did not reach the " + session.model_name() + ": " +
                            NotSentReason(sent));
    }
    if (session.options().json) {
        PrintJson(result);
    } else {
        std::printf("sent the button codes to the %s\n", session.model_name().c_str());
    }
    return kExitOk;
}

int ParseKeyCode(std::string_view text, int& key_code) {
    const std::optional<long> value = ParseInteger(text);
    if (!value || *value < 0 || *value >= kKeySlots) {
        return UsageError("keys",
                          "KEYCODE is a button slot 0..5, not \"" + std::string(text) + "\"");
    }
    key_code = static_cast<int>(*value);
    return kExitOk;
}

}  // namespace

int RunKeys(const GlobalOptions& options, const Args& all) {
    // --desc belongs to "keys set" only.
    Args args;
    std::optional<std::string> desc;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--desc") {
            if (i + 1 >= all.size()) {
                return UsageError("keys", "--desc needs a text");
            }
            desc = std::string(all[++i]);
        } else {
            args.push_back(all[i]);
        }
    }
    const std::string_view sub = args.empty() ? std::string_view() : args[0];
    if (sub != "list" && sub != "set" && sub != "reset" && sub != "write") {
        return UsageError("keys", "expected list, set, reset or write");
    }
    if (desc && sub != "set") {
        return UsageError("keys", "--desc belongs to \"keys set\"");
    }
    KeyAssignment assignment;
    std::optional<int> reset_key;
    if (sub == "list" || sub == "write") {
        if (args.size() != 1) {
            return UsageError("keys", std::string(sub) + " takes no further arguments");
        }
    } else if (sub == "set") {
        if (args.size() < 4 || args.size() > 6) {
            return UsageError("keys", "expected set KEYCODE TYPE VALUE [VALUE2 [VALUE3]]");
        }
        if (const int code = ParseKeyCode(args[1], assignment.key_code); code != kExitOk) {
            return code;
        }
        const std::optional<KeyFunctionType> type = ParseType(args[2]);
        if (!type) {
            return UsageError("keys", "unknown function type \"" + std::string(args[2]) + "\"");
        }
        assignment.macro_type = static_cast<int>(*type);
        int* values[] = {&assignment.macro_value, &assignment.macro_value2,
                         &assignment.macro_value3};
        for (std::size_t i = 3; i < args.size(); ++i) {
            const std::optional<long> value = ParseInteger(args[i]);
            if (!value || *value < 0 || *value > 0xFFFFFF) {
                return UsageError("keys", "values are whole numbers 0..16777215, not \"" +
                                              std::string(args[i]) + "\"");
            }
            *values[i - 3] = static_cast<int>(*value);
        }
        if (assignment.macro_value == 0 && assignment.macro_value2 == 0) {
            return UsageError("keys",
                              "VALUE and VALUE2 both 0 is the factory function; use "
                              "\"keys reset KEYCODE\"");
        }
    } else if (sub == "reset") {
        if (args.size() > 2) {
            return UsageError("keys", "expected reset [KEYCODE]");
        }
        if (args.size() == 2) {
            int key_code = 0;
            if (const int code = ParseKeyCode(args[1], key_code); code != kExitOk) {
                return code;
            }
            reset_key = key_code;
        }
    }

    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    if (sub == "list") {
        if (const int code = session.OpenStore(); code != kExitOk) {
            return code;
        }
        return ListKeys(session);
    }
    session.Scan();
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    const int profile = session.state().active_profile;
    ProfileStore& store = session.store();
    if (sub == "set") {
        return ChangeKeys(session, [&] {
            assignment.profile = profile;
            const KeyFunction function{static_cast<KeyFunctionType>(assignment.macro_type),
                                       assignment.macro_value,
                                       assignment.macro_value2,
                                       assignment.macro_value3,
                                       {}};
            assignment.macro_desc = desc ? *desc : DescribeKeyFunction(function, LangText);
            return store.SaveKeyAssignment(assignment) > 0;
        });
    }
    if (sub == "reset") {
        return ChangeKeys(session, [&] {
            return reset_key ? store.DeleteKeyAssignment(profile, 0, *reset_key)
                             : store.DeleteKeyAssignments(profile);
        });
    }
    return ChangeKeys(session, [] { return true; });
}

int RunMacros(const GlobalOptions& options, const Args& args) {
    if (args.size() != 1 || (args[0] != "list" && args[0] != "upload")) {
        return UsageError("macros", "expected list or upload");
    }
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    const bool upload = args[0] == "upload";
    if (upload) {
        session.Scan();
    }
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    std::vector<MacroInfo> macros;
    session.store().LoadMacros(macros);
    const MacroSlotTable slots = SlotsOf(session.store());
    Json entries = Json::array();
    for (const MacroInfo& macro : macros) {
        std::vector<MacroRecord> records;
        session.store().LoadMacroRecords(macro.macro_id, records);
        Json entry = {{"id", macro.macro_id}};
        entry["name"] = MacroDisplayName(macro.name, LangText);
        entry["steps"] = records.size();
        if (const std::optional<int> slot = slots.SlotOf(macro.macro_id)) {
            entry["slot"] = *slot;
        } else {
            entry["slot"] = nullptr;
        }
        entries.push_back(std::move(entry));
    }
    Json result = Json::object();
    if (upload) {
        if (const int code = session.RequireMouse(); code != kExitOk) {
            return code;
        }
        session.TakeWrites();
        const MacroUploadOutcome sent = session.protocol().UploadMacros();
        session.ReportWrites(result);
        if (!WasSent(sent.result)) {
            return session.Fail("the upload stopped after " + std::to_string(sent.chunks_sent) +
                                " of " + std::to_string(sent.chunks) +
                                " parts: " + NotSentReason(sent.result) +
                                "; the macros on the mouse are incomplete");
        }
        if (sent.macros_sent < sent.macros) {
            return session.Fail("the mouse takes 1000 bytes of macros: only the first " +
                                std::to_string(sent.macros_sent) + " of " +
                                std::to_string(sent.macros) + " macros were sent");
        }
    }
    if (options.json) {
        result["macros"] = std::move(entries);
        PrintJson(result);
        return kExitOk;
    }
    for (const Json& entry : entries) {
        const Json& slot = entry.at("slot");
        std::printf("%d  %s  (%d steps%s)\n", entry.value("id", 0), entry.value("name", "").c_str(),
                    entry.value("steps", 0),
                    slot.is_number() ? (", slot " + std::to_string(slot.get<int>())).c_str()
                                     : ", not on the mouse");
    }
    if (entries.empty()) {
        std::printf("no macros stored\n");
    }
    if (upload) {
        std::printf("uploaded %zu macros to the %s\n", macros.size(), session.model_name().c_str());
    }
    return kExitOk;
}

}  // namespace veltra::cli
