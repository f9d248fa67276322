#pragma once

// The lighting effects of a profile in the store, changed the same way by the window's lighting
// page and by veltractl: the default effects a profile gets, the choice of the active effect and
// the settings of one effect. The rules (defaults, offered settings, colours) are
// settings/lighting.h; the mouse learns of a change through the next settings write, which the
// caller sends.

#include <optional>

#include "settings/lighting.h"
#include "store/store_records.h"

namespace veltra {

class ProfileStore;

// Gives `profile` the default effects when it has none and the model has lighting, and makes
// effect 0 the active one. Returns how many rows it created: 0 when the profile had effects,
// the model has no lighting, `profile` is no profile id (0 before the store has profiles) or
// the store refused.
int EnsureLightEffects(ProfileStore& store, int profile, bool lighting, const LangTextLookup& lang);

// How a change of an effect ended.
enum class LightWrite {
    Stored,
    NoEffect,  // the profile has no such effect; nothing was written
    Failed,    // the store refused the write
};

// The profile's effect `mode`; nullopt when it has none.
std::optional<LightMode> LoadLightEffect(ProfileStore& store, int profile, int mode);

// Makes `mode` the active effect: every row of the profile gets status 0, this one 1.
LightWrite ChooseLightEffect(ProfileStore& store, int profile, int mode);

enum class LightSetting { Brightness, Speed, Colour };

// Stores `value` as the effect's brightness, speed or colour value (0x00BBGGRR). The caller
// brings the value into its range; which settings an effect offers is the caller's question too.
LightWrite SetLightEffectValue(ProfileStore& store, int profile, int mode, LightSetting setting,
                               int value);

}  // namespace veltra
