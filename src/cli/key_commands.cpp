// veltractl keys.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/write_outcome.h"
#include "common/text.h"
#include "config/device_description.h"
#include "config/language.h"
#include "device/command_protocol.h"
#include "settings/key_codes.h"
#include "settings/key_function.h"
#include "shell/app_folders.h"
#include "store/profile_store.h"

namespace veltra::cli {
namespace {

struct TypeName {
    std::string_view name;
    KeyFunctionType type;
    std::string_view operands;  // what the type takes when it is given by name
    std::size_t operand_count;
};

constexpr TypeName kTypeNames[] = {
    {"mouse-button", KeyFunctionType::MouseButton, "VALUE", 1},
    {"key-combination", KeyFunctionType::KeyCombination, "COMBO", 1},
    {"multimedia", KeyFunctionType::Multimedia, "VALUE", 1},
    {"macro", KeyFunctionType::MacroFunction, "ID", 1},
    {"device-function", KeyFunctionType::DeviceFunction, "VALUE", 1},
    {"device-code-12", KeyFunctionType::DeviceCode12, "VALUE", 1},
    {"device-function-extended", KeyFunctionType::DeviceFunctionExtended, "VALUE", 1},
    {"rapid-fire", KeyFunctionType::RapidFire, "BUTTON|KEY COUNT INTERVAL", 3},
    {"system-shortcut", KeyFunctionType::SystemShortcut, "VALUE", 1},
    {"disabled", KeyFunctionType::Disabled, "", 0},
    {"device-code-06", KeyFunctionType::DeviceCode06, "", 0},
};

const TypeName* FindTypeName(std::string_view text) {
    for (const TypeName& entry : kTypeNames) {
        if (EqualsIgnoreAsciiCase(entry.name, text)) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<KeyFunctionType> TypeFromNumber(std::string_view text) {
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

std::string LangTextOf(int id) {
    return GetLangText(id);
}

int ListKeys(Session& session) {
    const int profile = session.state().active_profile;
    std::vector<KeyAssignment> rows;
    session.store().LoadKeyAssignments(profile, 0, rows);
    const MacroSlotTable slots = MacroSlotsOf(session.store());
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
                    LangTextOf);
            } else if (const std::optional<int> builtin = BuiltInDefaultButton(key_code)) {
                const KeyFunction function{KeyFunctionType::MouseButton, *builtin, 0, 0, {}};
                entry["description"] = DescribeKeyFunction(function, LangTextOf);
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
            entry["description"] = DescribeKeyFunction(function, LangTextOf);
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
            Out("%d %-15s %s %d %d %d  \"%s\"  code %s\n", key_code, button.c_str(),
                key.value("type", "").c_str(), key.value("value", 0), key.value("value2", 0),
                key.value("value3", 0), description.c_str(), key.value("code", "").c_str());
        } else {
            Out("%d %-15s factory%s%s\n", key_code, button.c_str(), description.empty() ? "" : "  ",
                description.c_str());
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
        Out("sent the button codes to the %s\n", session.model_name().c_str());
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

// "keys set" as read from the command line. A list entry named by its text and the
// descriptions wait for the language; a macro's existence and name wait for the store.
struct SetRequest {
    int key_code = 0;
    KeyFunction function;
    std::string list_text;
};

std::string NoText(int) {
    return {};
}

struct Modifier {
    std::string_view name;
    int flag;
};

constexpr Modifier kModifiers[] = {{"Ctrl", kModifierCtrl},
                                   {"Shift", kModifierShift},
                                   {"Alt", kModifierAlt},
                                   {"Win", kModifierWin}};

// COMBO: modifiers joined by "+", then at most one key name, which may hold a plus itself
// ("Ctrl+Num +"). Returns why it is no combination, or an empty text.
std::string ParseCombination(std::string_view text, KeyFunction& function) {
    int flags = 0;
    int vk = 0;
    std::string_view rest = TrimAsciiSpace(text);
    while (!rest.empty()) {
        const std::size_t plus = rest.find('+');
        const std::string_view head = TrimAsciiSpace(rest.substr(0, plus));
        const auto modifier =
            std::find_if(std::begin(kModifiers), std::end(kModifiers),
                         [&](const Modifier& m) { return EqualsIgnoreAsciiCase(m.name, head); });
        if (modifier == std::end(kModifiers)) {
            vk = VkFromKeyName(rest);
            if (vk == 0) {
                return "no key is named \"" + std::string(rest) +
                       "\" (modifiers Ctrl, Shift, Alt, Win come first, the key last)";
            }
            break;
        }
        if ((flags & modifier->flag) != 0) {
            return std::string(modifier->name) + " is given twice";
        }
        flags |= modifier->flag;
        if (plus == std::string_view::npos) {
            break;
        }
        rest = TrimAsciiSpace(rest.substr(plus + 1));
        if (rest.empty()) {
            return "a key or modifier must follow \"+\"";
        }
    }
    if (flags == 0 && vk == 0) {
        return "COMBO names no key and no modifier";
    }
    // The key field shows a captured key by its name; F13..F24 and RWindows, which the key
    // table leaves unnamed, by the name capture gives them.
    function = MakeKeyCombination((flags & kModifierCtrl) != 0, (flags & kModifierShift) != 0,
                                  (flags & kModifierAlt) != 0, (flags & kModifierWin) != 0, vk,
                                  KeyNameOfVk(vk));
    return {};
}

struct RapidFireButton {
    std::string_view name;
    int button;
};

// The values of the rapid-fire button list.
constexpr RapidFireButton kRapidFireButtons[] = {{"left", 1},    {"right", 2}, {"middle", 3},
                                                 {"forward", 4}, {"back", 5},  {"backward", 5}};

std::optional<int> ParseValue(std::string_view text) {
    return ParseInteger<int>(text);
}

int ValueError(std::string_view what, std::string_view text) {
    return UsageError("keys",
                      std::string(what) + " is a whole number, not \"" + std::string(text) + "\"");
}

int ParseRapidFire(const Args& operands, KeyFunction& function) {
    const std::optional<int> count = ParseValue(operands[1]);
    if (!count) {
        return ValueError("COUNT", operands[1]);
    }
    const std::optional<int> interval = ParseValue(operands[2]);
    if (!interval) {
        return ValueError("INTERVAL", operands[2]);
    }
    std::string_view target = operands[0];
    // "key:" reaches the arrow keys Left and Right, whose names the buttons take.
    const bool key_only = target.size() > 4 && EqualsIgnoreAsciiCase(target.substr(0, 4), "key:");
    if (key_only) {
        target.remove_prefix(4);
    }
    for (const RapidFireButton& b : kRapidFireButtons) {
        if (!key_only && EqualsIgnoreAsciiCase(b.name, target)) {
            function = MakeRapidFire(kRapidFireMouseButton, b.button, 0, *count, *interval, NoText);
            return kExitOk;
        }
    }
    const int vk = VkFromKeyName(target);
    if (vk == 0) {
        return UsageError("keys",
                          "rapid fire takes left, right, middle, forward, back or a key "
                          "name, not \"" +
                              std::string(operands[0]) + "\"");
    }
    function = MakeRapidFire(kRapidFireKey, 0, vk, *count, *interval, NoText);
    return kExitOk;
}

// args: set KEYCODE TYPE operands...
int ParseSet(const Args& args, SetRequest& request) {
    if (args.size() < 3) {
        return UsageError("keys", "expected set KEYCODE TYPE ...");
    }
    if (const int code = ParseKeyCode(args[1], request.key_code); code != kExitOk) {
        return code;
    }
    const Args operands(args.begin() + 3, args.end());
    KeyFunction& function = request.function;
    const TypeName* named = FindTypeName(args[2]);
    if (named == nullptr) {
        // A type number takes the stored values as they are.
        const std::optional<KeyFunctionType> type = TypeFromNumber(args[2]);
        if (!type) {
            return UsageError("keys", "unknown function type \"" + std::string(args[2]) + "\"");
        }
        if (operands.empty() || operands.size() > 3) {
            return UsageError("keys", "expected set KEYCODE TYPE VALUE [VALUE2 [VALUE3]]");
        }
        function.type = *type;
        int* values[] = {&function.value, &function.value2, &function.value3};
        for (std::size_t i = 0; i < operands.size(); ++i) {
            const std::optional<int> value = ParseValue(operands[i]);
            if (!value) {
                return ValueError("VALUE", operands[i]);
            }
            *values[i] = *value;
        }
        return kExitOk;
    }
    if (operands.size() != named->operand_count) {
        return UsageError("keys", "expected set KEYCODE " + std::string(named->name) +
                                      (named->operands.empty() ? "" : " ") +
                                      std::string(named->operands));
    }
    function.type = named->type;
    switch (named->type) {
        case KeyFunctionType::KeyCombination:
            if (const std::string error = ParseCombination(operands[0], function); !error.empty()) {
                return UsageError("keys", error);
            }
            return kExitOk;
        case KeyFunctionType::RapidFire:
            return ParseRapidFire(operands, function);
        case KeyFunctionType::Disabled:
        case KeyFunctionType::DeviceCode06:
            function.value = 1;
            return kExitOk;
        default:
            break;
    }
    if (const std::optional<int> value = ParseValue(operands[0])) {
        function.value = *value;
    } else if (!KeyFunctionValueList(named->type).empty()) {
        request.list_text = std::string(TrimAsciiSpace(operands[0]));
    } else {
        return ValueError(named->operands, operands[0]);
    }
    return kExitOk;
}

// The list entries as "value (text)", for a message that names what a list offers.
std::string OfferedEntries(KeyFunctionType type) {
    std::string offered;
    for (const FunctionListEntry& e : KeyFunctionValueList(type)) {
        offered += (offered.empty() ? "" : ", ") + std::to_string(e.value) + " (" +
                   LangTextOf(e.text_id) + ")";
    }
    return offered;
}

// With the language loaded: a list entry named by its text, then the check every assignment
// passes (macros are checked once the store is open).
int ResolveSet(SetRequest& request) {
    KeyFunction& function = request.function;
    if (!request.list_text.empty()) {
        const auto list = KeyFunctionValueList(function.type);
        const auto entry = std::find_if(list.begin(), list.end(), [&](const FunctionListEntry& e) {
            return EqualsIgnoreAsciiCase(LangTextOf(e.text_id), request.list_text);
        });
        if (entry == list.end()) {
            return UsageError("keys", "the list offers no \"" + request.list_text +
                                          "\"; it offers " + OfferedEntries(function.type));
        }
        function.value = entry->value;
    }
    if (const std::string reason = CheckKeyFunction(function, [](int) { return true; });
        !reason.empty()) {
        const bool listed = !KeyFunctionValueList(function.type).empty();
        return UsageError("keys",
                          reason + (listed ? "; the list offers " + OfferedEntries(function.type)
                                           : std::string()));
    }
    if (function.value == 0 && function.value2 == 0) {
        return UsageError("keys",
                          "VALUE and VALUE2 both 0 store nothing: the button keeps its factory "
                          "function (\"keys reset KEYCODE\")");
    }
    return kExitOk;
}

// The description the window stores with the function, where the command line could not give
// it; a macro's comes from the store.
std::string WindowDescription(const KeyFunction& function) {
    if (function.type == KeyFunctionType::KeyCombination) {
        const int flags = function.value2;
        return MakeKeyCombination((flags & kModifierCtrl) != 0, (flags & kModifierShift) != 0,
                                  (flags & kModifierAlt) != 0, (flags & kModifierWin) != 0, 0,
                                  KeyNameTable(function.value))
            .desc;
    }
    if (const std::optional<KeyFunction> row =
            MakeListFunction(function.type, function.value, LangTextOf)) {
        return row->desc;
    }
    if (const std::optional<KeyFunction> row = MakeImmediateFunction(function.type, LangTextOf)) {
        return row->desc;
    }
    return DescribeKeyFunction(function, LangTextOf);
}

// A macro must be stored; its description is its name as the macro list shows it. Exit 2 for
// a macro that is not there: the command line named it, the mouse was not touched.
int ResolveMacro(ProfileStore& store, KeyFunction& function) {
    std::vector<MacroInfo> macros;
    store.LoadMacros(macros);
    const auto find = [&macros](int id) {
        return std::find_if(macros.begin(), macros.end(),
                            [id](const MacroInfo& m) { return m.macro_id == id; });
    };
    const std::string reason =
        CheckKeyFunction(function, [&](int id) { return find(id) != macros.end(); });
    if (!reason.empty()) {
        std::string stored;
        for (const MacroInfo& m : macros) {
            stored += (stored.empty() ? "" : ", ") + std::to_string(m.macro_id);
        }
        return UsageError("keys", reason + (stored.empty() ? "; no macros are stored"
                                                           : "; stored macros: " + stored));
    }
    const auto macro = find(function.value);
    function.desc = MacroDisplayName(macro->name, LangTextOf);
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
    SetRequest request;
    std::optional<int> reset_key;
    if (sub == "list" || sub == "write") {
        if (args.size() != 1) {
            return UsageError("keys", std::string(sub) + " takes no further arguments");
        }
    } else if (sub == "set") {
        if (const int code = ParseSet(args, request); code != kExitOk) {
            return code;
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
    if (sub == "set") {
        if (const int code = ResolveSet(request); code != kExitOk) {
            return code;
        }
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
        KeyFunction& function = request.function;
        if (function.type == KeyFunctionType::MacroFunction) {
            if (const int code = ResolveMacro(store, function); code != kExitOk) {
                return code;
            }
        } else if (function.desc.empty()) {
            function.desc = WindowDescription(function);
        }
        if (desc) {
            function.desc = *desc;
        }
        return ChangeKeys(session, [&] {
            KeyAssignment assignment;
            assignment.profile = profile;
            assignment.key_code = request.key_code;
            assignment.macro_type = static_cast<int>(function.type);
            assignment.macro_value = function.value;
            assignment.macro_value2 = function.value2;
            assignment.macro_value3 = function.value3;
            assignment.macro_desc = function.desc;
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

}  // namespace veltra::cli
