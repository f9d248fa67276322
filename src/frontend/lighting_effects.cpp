#include "frontend/lighting_effects.h"

#include "store/profile_store.h"

namespace veltra {

int EnsureLightEffects(ProfileStore& store, int profile, bool lighting,
                       const LangTextLookup& lang) {
    // Before the store lists its profiles the active one reads as 0, which is no profile.
    if (!lighting || profile <= 0 || store.CountLightModes(profile) != 0) {
        return 0;
    }
    int created = 0;
    for (const DefaultLightEffect& effect : kDefaultLightEffects) {
        LightMode row;
        row.profile = profile;
        row.name = DefaultLightEffectName(effect, lang);
        row.mode = effect.mode;
        row.brightness = kDefaultLightBrightness;
        row.speed = kDefaultLightSpeed;
        row.direction = kDefaultLightDirection;
        row.colorful = kDefaultLightColorful;
        row.colorindex = kDefaultLightColorIndex;
        row.color_value = static_cast<int>(kDefaultLightColour);
        row.config_func = effect.config_func;
        row.reserved = effect.reserved;
        row.status = 0;
        if (store.AddLightMode(row) > 0) {
            ++created;
        }
    }
    if (created > 0) {
        store.SetActiveLightMode(profile, kFirstLightEffect);
    }
    return created;
}

std::optional<LightMode> LoadLightEffect(ProfileStore& store, int profile, int mode) {
    LightMode row;
    if (!store.LoadLightMode(profile, mode, row)) {
        return std::nullopt;
    }
    return row;
}

LightWrite ChooseLightEffect(ProfileStore& store, int profile, int mode) {
    // Without the row the store would leave the profile with no active effect at all.
    if (!LoadLightEffect(store, profile, mode)) {
        return LightWrite::NoEffect;
    }
    return store.SetActiveLightMode(profile, mode) ? LightWrite::Stored : LightWrite::Failed;
}

LightWrite SetLightEffectValue(ProfileStore& store, int profile, int mode, LightSetting setting,
                               int value) {
    std::optional<LightMode> row = LoadLightEffect(store, profile, mode);
    if (!row) {
        return LightWrite::NoEffect;
    }
    switch (setting) {
        case LightSetting::Brightness:
            row->brightness = value;
            break;
        case LightSetting::Speed:
            row->speed = value;
            break;
        case LightSetting::Colour:
            row->color_value = value;
            break;
    }
    return store.UpdateLightMode(profile, mode, *row) ? LightWrite::Stored : LightWrite::Failed;
}

}  // namespace veltra
