#pragma once

// The lighting effects of a profile, for every front end: the seven effects a profile starts
// with, which settings each offers, the preset colours, and the colour components the page's
// R, G and B fields hold. Colours are colour values, 0x00BBGGRR (red in the lowest byte).
// Effect rows themselves belong to the store; frontend/lighting_effects.h keeps them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/key_function.h"

namespace veltra {

// The bits of an effect's config_func: the settings it offers.
inline constexpr int kLightOffersBrightness = 1;
inline constexpr int kLightOffersSpeed = 2;
inline constexpr int kLightOffersColour = 16;

constexpr bool LightOffers(int config_func, int setting) {
    return (config_func & setting) != 0;
}

// One of the effects a profile starts with. The name stored in the row is the language text
// `name_text` for the first three and the fixed `fixed_name` for the others; the effect list
// always shows language text `reserved`.
struct DefaultLightEffect {
    int mode = 0;
    int config_func = 0;
    int reserved = 0;
    int name_text = 0;  // 0: the fixed name
    std::string_view fixed_name;
};

inline constexpr std::array<DefaultLightEffect, 7> kDefaultLightEffects = {{
    {0, 0, 280, 280, {}},
    {1, kLightOffersBrightness | kLightOffersSpeed | kLightOffersColour, 281, 281, {}},
    {2, kLightOffersSpeed | kLightOffersColour, 282, 282, {}},
    {3, kLightOffersBrightness | kLightOffersSpeed, 283, 0, "光谱循环"},
    {4, kLightOffersBrightness | kLightOffersSpeed, 284, 0, "流光"},
    {5, kLightOffersBrightness | kLightOffersSpeed | kLightOffersColour, 285, 0, "单色跑马"},
    {6, kLightOffersBrightness | kLightOffersSpeed, 286, 0, "霓虹"},
}};

// The values every default effect starts with.
inline constexpr int kDefaultLightBrightness = 255;
inline constexpr int kDefaultLightSpeed = 127;
inline constexpr int kDefaultLightDirection = 0;
inline constexpr int kDefaultLightColorful = 1;
inline constexpr int kDefaultLightColorIndex = 0;
inline constexpr std::uint32_t kDefaultLightColour = 0x0000FF;  // red

// The effect that is active once the defaults were created.
inline constexpr int kFirstLightEffect = 0;

// Brightness, speed and each colour component run over 0..255.
inline constexpr int kLightValueMax = 255;

std::string DefaultLightEffectName(const DefaultLightEffect& effect, const LangTextLookup& lang);

// The preset colours of the swatches: red, violet, blue, cyan, green, yellow, orange, white.
inline constexpr std::array<std::uint32_t, 8> kLightSwatchColours = {
    0x0000FF, 0xFF00F0, 0xFF0C00, 0xFCFF00, 0x06FF00, 0x00DEFF, 0x0048FF, 0xFFFFFF};

// A typed colour component read as a number and brought into 0..255: below 0 gives 0, above
// 255 gives 255, text without a leading number gives 0. `rewrite` says that the field should
// show `value` instead of what was typed.
struct ColourComponent {
    int value = 0;
    bool rewrite = false;
};
ColourComponent CorrectColourComponent(std::string_view text);

struct ColourComponents {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const ColourComponents&) const = default;
};

// Components are taken as they come (the caller corrected them); each keeps its own byte.
constexpr std::uint32_t ColourFromComponents(const ColourComponents& c) {
    return (static_cast<std::uint32_t>(c.red) & 0xFF) |
           (static_cast<std::uint32_t>(c.green) & 0xFF) << 8 |
           (static_cast<std::uint32_t>(c.blue) & 0xFF) << 16;
}

constexpr ColourComponents ComponentsOf(std::uint32_t colour) {
    return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
            static_cast<int>((colour >> 16) & 0xFF)};
}

}  // namespace veltra
