#include "macro/macro_store.h"

#include <algorithm>

#include "settings/key_function.h"
#include "store/profile_store.h"

namespace veltra {
namespace {

int MacroCount(ProfileStore& store) {
    std::vector<MacroInfo> macros;
    return store.LoadMacros(macros);
}

bool PlaysMacro(const KeyAssignment& row, int macro_id) {
    return row.macro_type == static_cast<int>(KeyFunctionType::MacroFunction) &&
           row.macro_value == macro_id;
}

// Inside `batch`: whether the change may go on with the macro.
MacroChange StartChange(ProfileStore& store, const ProfileStore::WriteBatch& batch, int macro_id) {
    if (!batch.Started()) {
        return MacroChange::kStoreFailed;
    }
    MacroInfo info;
    if (macro_id <= 0 || !store.LoadMacro(macro_id, info)) {
        return MacroChange::kNotFound;
    }
    return MacroChange::kDone;
}

}  // namespace

int CreateMacro(ProfileStore& store, std::string_view name, MacroChange& outcome) {
    MacroInfo info;
    info.name = std::string(name);
    info.play_type = static_cast<int>(PlayType::Times);
    info.play_times = kDefaultPlayTimes;
    info.delay_type = static_cast<int>(DelayType::RecordedDelays);
    return CreateMacroWithSteps(store, info, {}, outcome);
}

int CreateMacroWithSteps(ProfileStore& store, const MacroInfo& info,
                         const std::vector<MacroStep>& steps, MacroChange& outcome) {
    ProfileStore::WriteBatch batch = store.BeginWriteBatch();
    if (!batch.Started()) {
        outcome = MacroChange::kStoreFailed;
        return 0;
    }
    // Counted inside the transaction, so two processes adding at once cannot pass 32 together.
    if (MacroCount(store) >= kMaxMacros) {
        outcome = MacroChange::kTooManyMacros;
        return 0;
    }
    const int id = store.AddMacroWithSettings(info);
    if (id <= 0) {
        outcome = MacroChange::kStoreFailed;
        return 0;
    }
    store.AddMacroRecords(StepsAsRecords(id, steps));
    std::vector<MacroRecord> stored;
    if (store.LoadMacroRecords(id, stored) != static_cast<int>(steps.size()) || !batch.Commit()) {
        outcome = MacroChange::kStoreFailed;
        return 0;
    }
    outcome = MacroChange::kDone;
    return id;
}

std::vector<MacroStep> LoadMacroSteps(ProfileStore& store, int macro_id) {
    std::vector<MacroRecord> records;
    store.LoadMacroRecords(macro_id, records);
    std::vector<MacroStep> steps;
    steps.reserve(records.size());
    for (const MacroRecord& r : records) {
        steps.push_back({r.desc, r.type, r.value, r.delay_time});
    }
    return steps;
}

std::vector<MacroRecord> StepsAsRecords(int macro_id, const std::vector<MacroStep>& steps) {
    std::vector<MacroRecord> records;
    records.reserve(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        MacroRecord r;
        r.macro_id = macro_id;
        r.type = steps[i].type;
        r.record_index = static_cast<int>(i);
        r.value = steps[i].value;
        r.delay_time = steps[i].timestamp;
        r.desc = steps[i].text;
        records.push_back(std::move(r));
    }
    return records;
}

bool StoreMacroSteps(ProfileStore& store, int macro_id, const std::vector<MacroStep>& steps) {
    ProfileStore::WriteBatch batch = store.BeginWriteBatch();
    if (!batch.Started() || !store.DeleteMacroRecords(macro_id)) {
        return false;
    }
    store.AddMacroRecords(StepsAsRecords(macro_id, steps));
    // The bulk insert ignores single failures; a macro missing steps would play something else.
    std::vector<MacroRecord> stored;
    return store.LoadMacroRecords(macro_id, stored) == static_cast<int>(steps.size()) &&
           batch.Commit();
}

std::vector<MacroUse> FindMacroUses(ProfileStore& store, int macro_id) {
    std::vector<ProfileRecord> profiles;
    store.LoadProfiles(profiles);
    std::vector<MacroUse> uses;
    for (const ProfileRecord& profile : profiles) {
        std::vector<KeyAssignment> rows;
        store.LoadKeyAssignments(profile.profile_id, 0, rows);
        for (const KeyAssignment& row : rows) {
            if (PlaysMacro(row, macro_id)) {
                uses.push_back({profile.profile_id, row.key_code});
            }
        }
    }
    std::sort(uses.begin(), uses.end(), [](const MacroUse& a, const MacroUse& b) {
        return a.profile != b.profile ? a.profile < b.profile : a.key_code < b.key_code;
    });
    return uses;
}

MacroChange DeleteMacroAndUses(ProfileStore& store, int macro_id, int& buttons_reset) {
    buttons_reset = 0;
    ProfileStore::WriteBatch batch = store.BeginWriteBatch();
    if (const MacroChange start = StartChange(store, batch, macro_id);
        start != MacroChange::kDone) {
        return start;
    }
    const std::vector<MacroUse> uses = FindMacroUses(store, macro_id);
    for (const MacroUse& use : uses) {
        if (!store.DeleteKeyAssignment(use.profile, 0, use.key_code)) {
            return MacroChange::kStoreFailed;
        }
    }
    if (!store.DeleteMacro(macro_id) || !batch.Commit()) {
        return MacroChange::kStoreFailed;
    }
    buttons_reset = static_cast<int>(uses.size());
    return MacroChange::kDone;
}

MacroChange RenameMacroAndUses(ProfileStore& store, int macro_id, std::string_view name) {
    ProfileStore::WriteBatch batch = store.BeginWriteBatch();
    if (const MacroChange start = StartChange(store, batch, macro_id);
        start != MacroChange::kDone) {
        return start;
    }
    if (!store.RenameMacro(macro_id, name)) {
        return MacroChange::kStoreFailed;
    }
    for (const MacroUse& use : FindMacroUses(store, macro_id)) {
        if (!store.SetKeyMacroDesc(use.profile, 0, use.key_code, name)) {
            return MacroChange::kStoreFailed;
        }
    }
    return batch.Commit() ? MacroChange::kDone : MacroChange::kStoreFailed;
}

}  // namespace veltra
