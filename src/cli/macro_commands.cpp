// veltractl macros: the stored macros, macro files, and the upload. Only the upload talks to the
// mouse; every other change waits for it, as the window's macro page waits for its own upload.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/write_outcome.h"
#include "common/text.h"
#include "config/language.h"
#include "macro/macro_file.h"
#include "macro/macro_store.h"
#include "store/profile_store.h"

namespace veltra::cli {
namespace {

constexpr std::string_view kCommand = "macros";
constexpr std::string_view kUploadHint =
    "\"veltractl macros upload\" sends the change to the mouse";

std::string LangTextOf(int id) {
    return GetLangText(id);
}

std::string DisplayName(const MacroInfo& macro) {
    return MacroDisplayName(macro.name, LangTextOf);
}

constexpr std::string_view kStepTypeNames[] = {
    "delay",       "key-down", "key-up",    "mouse-down", "mouse-up",   "scroll-up",
    "scroll-down", "move-up",  "move-down", "move-left",  "move-right", "move-xy"};

std::string StepTypeName(int type) {
    if (!IsMacroRecordType(type)) {
        return std::to_string(type);
    }
    return std::string(kStepTypeNames[type - kFirstMacroRecordType]);
}

std::string PlayTypeText(const MacroInfo& macro) {
    switch (static_cast<PlayType>(macro.play_type)) {
        case PlayType::Times:
            return macro.play_times == 1 ? "once" : std::to_string(macro.play_times) + " times";
        case PlayType::UntilPressedAgain:
            return "until the button is pressed again";
        case PlayType::WhileHeld:
            return "while the button is held";
        case PlayType::UntilAnyKey:
            return "until any button is pressed";
    }
    return "play type " + std::to_string(macro.play_type);
}

std::string DelayTypeText(const MacroInfo& macro) {
    switch (static_cast<DelayType>(macro.delay_type)) {
        case DelayType::NoDelays:
            return "no pauses";
        case DelayType::RecordedDelays:
            return "the recorded pauses";
        case DelayType::FixedDelay:
            return std::to_string(macro.delay_time) + " ms between steps";
    }
    return "delay type " + std::to_string(macro.delay_type);
}

// The stored macro ID names; exit 2 otherwise, as for any other thing the command line named
// that is not there.
int FindMacro(ProfileStore& store, std::string_view text, MacroInfo& found) {
    std::vector<MacroInfo> macros;
    store.LoadMacros(macros);
    const std::optional<int> id = ParseInteger<int>(text);
    for (const MacroInfo& macro : macros) {
        if (id && macro.macro_id == *id) {
            found = macro;
            return kExitOk;
        }
    }
    std::string stored;
    for (const MacroInfo& macro : macros) {
        stored += (stored.empty() ? "" : ", ") + std::to_string(macro.macro_id);
    }
    return UsageError(
        kCommand, "macro " + std::string(text) + " is not stored" +
                      (stored.empty() ? "; no macros are stored" : "; stored macros: " + stored));
}

Json SlotJson(const MacroSlotTable& slots, int macro_id) {
    const std::optional<int> slot = slots.SlotOf(macro_id);
    return slot ? Json(*slot) : Json(nullptr);
}

std::string SlotText(const Json& slot) {
    return slot.is_number() ? "slot " + std::to_string(slot.get<int>()) : "not on the mouse";
}

int List(Session& session, bool upload) {
    ProfileStore& store = session.store();
    std::vector<MacroInfo> macros;
    store.LoadMacros(macros);
    const MacroSlotTable slots = MacroSlotsOf(store);
    Json entries = Json::array();
    for (const MacroInfo& macro : macros) {
        std::vector<MacroRecord> records;
        store.LoadMacroRecords(macro.macro_id, records);
        entries.push_back({{"id", macro.macro_id},
                           {"name", DisplayName(macro)},
                           {"steps", records.size()},
                           {"slot", SlotJson(slots, macro.macro_id)}});
    }
    Json result = Json::object();
    if (upload) {
        // The button codes name macros by slot: once the macros moved, the buttons follow them.
        if (const int code = session.ReadMouse(); code != kExitOk) {
            return code;
        }
        session.TakeWrites();
        const MacroUploadOutcome sent = session.protocol().UploadMacros();
        if (!WasSent(sent.result)) {
            session.ReportWrites(result);
            return session.Fail("the upload stopped after " + std::to_string(sent.chunks_sent) +
                                " of " + std::to_string(sent.chunks) +
                                " parts: " + NotSentReason(sent.result) +
                                "; the macros on the mouse are incomplete");
        }
        if (sent.macros_sent < sent.macros) {
            session.ReportWrites(result);
            return session.Fail("the mouse takes 1000 bytes of macros: only the first " +
                                std::to_string(sent.macros_sent) + " of " +
                                std::to_string(sent.macros) + " macros were sent");
        }
        const ExchangeResult keys = session.protocol().WriteKeys();
        session.ReportWrites(result);
        if (!WasSent(keys)) {
            return session.Fail(
                "the macros were uploaded, but the button codes did not reach the " +
                session.model_name() + ": " + NotSentReason(keys));
        }
    }
    if (session.options().json) {
        result["macros"] = std::move(entries);
        PrintJson(result);
        return kExitOk;
    }
    for (const Json& entry : entries) {
        Out("%d  %s  (%d steps, %s)\n", entry.value("id", 0), entry.value("name", "").c_str(),
            entry.value("steps", 0), SlotText(entry.at("slot")).c_str());
    }
    if (entries.empty()) {
        Out("no macros stored\n");
    }
    if (upload) {
        Out("uploaded %zu macros and sent the button codes to the %s\n", macros.size(),
            session.model_name().c_str());
    }
    return kExitOk;
}

int New(Session& session, std::optional<std::string_view> requested) {
    ProfileStore& store = session.store();
    std::string name;
    if (requested) {
        name = std::string(*requested);
    } else {
        std::vector<MacroInfo> macros;
        name = NewMacroName(LangTextOf(kCustomMacroText), store.LoadMacros(macros));
    }
    MacroChange outcome = MacroChange::kDone;
    const int id = CreateMacro(store, name, outcome);
    if (outcome == MacroChange::kTooManyMacros) {
        return session.Fail("the store already holds " + std::to_string(kMaxMacros) +
                            " macros, all the mouse has room for; nothing was changed");
    }
    if (id == 0) {
        return session.Fail("cannot store the macro in " + store.Path());
    }
    const std::string shown = MacroDisplayName(name, LangTextOf);
    if (session.options().json) {
        PrintJson({{"id", id}, {"name", shown}});
    } else {
        Out("created macro %d \"%s\"\n", id, shown.c_str());
    }
    return kExitOk;
}

int Show(Session& session, const MacroInfo& macro) {
    const std::vector<MacroStep> steps = LoadMacroSteps(session.store(), macro.macro_id);
    const Json slot = SlotJson(MacroSlotsOf(session.store()), macro.macro_id);
    if (session.options().json) {
        Json list = Json::array();
        for (std::size_t i = 0; i < steps.size(); ++i) {
            list.push_back({{"index", i},
                            {"text", steps[i].text},
                            {"type", StepTypeName(steps[i].type)},
                            {"value", steps[i].value}});
        }
        PrintJson({{"id", macro.macro_id},
                   {"name", DisplayName(macro)},
                   {"play_type", macro.play_type},
                   {"play_times", macro.play_times},
                   {"delay_type", macro.delay_type},
                   {"delay_time", macro.delay_time},
                   {"slot", slot},
                   {"steps", std::move(list)}});
        return kExitOk;
    }
    Out("macro %d \"%s\", %s\nplays %s, with %s\n", macro.macro_id, DisplayName(macro).c_str(),
        SlotText(slot).c_str(), PlayTypeText(macro).c_str(), DelayTypeText(macro).c_str());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Out("%4zu  %-12s %6d  %s\n", i, StepTypeName(steps[i].type).c_str(), steps[i].value,
            steps[i].text.c_str());
    }
    if (steps.empty()) {
        Out("no steps\n");
    }
    return kExitOk;
}

int Delete(Session& session, const MacroInfo& macro) {
    int buttons_reset = 0;
    const MacroChange outcome = DeleteMacroAndUses(session.store(), macro.macro_id, buttons_reset);
    if (outcome != MacroChange::kDone) {
        return session.Fail("cannot delete the macro in " + session.store().Path() +
                            "; nothing was changed");
    }
    if (session.options().json) {
        PrintJson({{"id", macro.macro_id},
                   {"name", DisplayName(macro)},
                   {"buttons_reset", buttons_reset}});
        return kExitOk;
    }
    Out("deleted macro %d \"%s\"; %d buttons went back to their factory function\n"
        "the macros after it moved up one slot: %.*s\n",
        macro.macro_id, DisplayName(macro).c_str(), buttons_reset,
        static_cast<int>(kUploadHint.size()), kUploadHint.data());
    return kExitOk;
}

int Import(Session& session, const std::filesystem::path& file) {
    MacroFileError error = MacroFileError::kNone;
    const int id =
        ImportMacro(session.store(), UserPath(file.string()), LangTextOf(kCustomMacroText), error);
    MacroInfo macro;
    if (id == 0 || !session.store().LoadMacro(id, macro)) {
        return session.Fail("cannot import " + file.string() + ": " + MacroFileErrorText(error) +
                            "; nothing was changed");
    }
    const std::size_t steps = LoadMacroSteps(session.store(), id).size();
    if (session.options().json) {
        PrintJson(
            {{"file", file.string()}, {"id", id}, {"name", DisplayName(macro)}, {"steps", steps}});
        return kExitOk;
    }
    Out("imported %s as macro %d \"%s\" (%zu steps); %.*s\n", file.string().c_str(), id,
        DisplayName(macro).c_str(), steps, static_cast<int>(kUploadHint.size()),
        kUploadHint.data());
    return kExitOk;
}

int Export(Session& session, const MacroInfo& macro, const std::filesystem::path& file) {
    const MacroFileError error = WriteMacroFile(session.store(), macro.macro_id, DisplayName(macro),
                                                UserPath(file.string()));
    if (error != MacroFileError::kNone) {
        return session.Fail("cannot export to " + file.string() + ": " + MacroFileErrorText(error));
    }
    if (session.options().json) {
        PrintJson({{"file", file.string()}, {"id", macro.macro_id}, {"name", DisplayName(macro)}});
    } else {
        Out("exported macro %d \"%s\" to %s\n", macro.macro_id, DisplayName(macro).c_str(),
            file.string().c_str());
    }
    return kExitOk;
}

// The arguments each subcommand takes after its name: at least, at most.
struct Subcommand {
    std::string_view name;
    std::size_t least;
    std::size_t most;
};

constexpr Subcommand kSubcommands[] = {{"list", 0, 0},  {"upload", 0, 0}, {"new", 0, 1},
                                       {"show", 1, 1},  {"delete", 1, 1}, {"import", 1, 1},
                                       {"export", 2, 2}};

}  // namespace

MacroSlotTable MacroSlotsOf(ProfileStore& store) {
    std::vector<MacroInfo> macros;
    store.LoadMacros(macros);
    std::vector<int> ids;
    for (const MacroInfo& macro : macros) {
        ids.push_back(macro.macro_id);
    }
    return MacroSlotTable(ids);
}

int RunMacros(const GlobalOptions& options, const Args& args) {
    const std::string_view sub = args.empty() ? std::string_view() : args[0];
    const Subcommand* known = nullptr;
    for (const Subcommand& entry : kSubcommands) {
        if (entry.name == sub) {
            known = &entry;
        }
    }
    if (known == nullptr) {
        return UsageError(kCommand,
                          "expected list, upload, new [NAME], show ID, delete ID, import FILE or "
                          "export ID FILE");
    }
    const std::size_t operands = args.size() - 1;
    if (operands < known->least || operands > known->most) {
        return UsageError(kCommand, "wrong number of arguments for \"" + std::string(sub) +
                                        "\"; see veltractl macros --help");
    }
    if (sub == "new" && operands == 1 && TrimAsciiSpace(args[1]).empty()) {
        return UsageError(kCommand, "NAME must not be empty; leave it out for the default name");
    }
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    const bool upload = sub == "upload";
    if (upload) {
        session.Scan();
    }
    if (const int code = session.OpenStore(); code != kExitOk) {
        return code;
    }
    if (sub == "list" || upload) {
        return List(session, upload);
    }
    if (sub == "new") {
        return New(session,
                   operands == 1 ? std::optional<std::string_view>(args[1]) : std::nullopt);
    }
    if (sub == "import") {
        return Import(session, std::filesystem::path(std::string(args[1])));
    }
    MacroInfo macro;
    if (const int code = FindMacro(session.store(), args[1], macro); code != kExitOk) {
        return code;
    }
    if (sub == "show") {
        return Show(session, macro);
    }
    if (sub == "delete") {
        return Delete(session, macro);
    }
    return Export(session, macro, std::filesystem::path(std::string(args[2])));
}

}  // namespace veltra::cli
