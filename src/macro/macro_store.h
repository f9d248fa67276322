#pragma once
// The editor's changes to the stored macros, shared by the window's macro page and veltractl.
// Every change that touches more than one row is one store transaction: it happens whole or not
// at all.
//
// Buttons name a macro by its id, and the mouse finds it by its slot, the macro's position in
// store order. Deleting a macro moves every later macro one slot up, so the caller sends the
// macros and then the buttons again; a button that named the deleted macro goes back to its
// factory function rather than pointing at whichever macro now holds that slot.

#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_records.h"
#include "store/store_records.h"

namespace veltra {

class ProfileStore;

enum class MacroChange { kDone, kTooManyMacros, kNotFound, kStoreFailed };

// A new macro with the defaults (play once, recorded delays). Its id, or 0 with the reason.
int CreateMacro(ProfileStore& store, std::string_view name, MacroChange& outcome);
// A macro with settings and steps, as an imported file brings it; record_index counts from 0
// in the order given.
int CreateMacroWithSteps(ProfileStore& store, const MacroInfo& info,
                         const std::vector<MacroStep>& steps, MacroChange& outcome);

// The steps in record_index order.
std::vector<MacroStep> LoadMacroSteps(ProfileStore& store, int macro_id);
std::vector<MacroRecord> StepsAsRecords(int macro_id, const std::vector<MacroStep>& steps);
// Replaces the macro's steps with `steps`, numbered in list order. False when nothing changed.
bool StoreMacroSteps(ProfileStore& store, int macro_id, const std::vector<MacroStep>& steps);

// A button of some profile that plays the macro.
struct MacroUse {
    int profile = 0;
    int key_code = 0;
};
std::vector<MacroUse> FindMacroUses(ProfileStore& store, int macro_id);

// Deletes the macro, its steps and the buttons assigned to it in every profile, in one
// transaction. `buttons_reset` tells how many buttons went back to their factory function.
MacroChange DeleteMacroAndUses(ProfileStore& store, int macro_id, int& buttons_reset);

// Renames the macro and the text of every button that plays it, in every profile.
MacroChange RenameMacroAndUses(ProfileStore& store, int macro_id, std::string_view name);

}  // namespace veltra
