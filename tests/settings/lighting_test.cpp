#include "settings/lighting.h"

#include <gtest/gtest.h>

#include <set>

namespace veltra {
namespace {

TEST(LightingRules, DefaultEffectsNameTheFirstThreeInTheLanguageAndKeepTheFixedNames) {
    const LangTextLookup lang = [](int id) { return "text " + std::to_string(id); };
    std::set<int> modes;
    for (const DefaultLightEffect& effect : kDefaultLightEffects) {
        modes.insert(effect.mode);
        const std::string name = DefaultLightEffectName(effect, lang);
        if (effect.mode <= 2) {
            EXPECT_EQ(name, "text " + std::to_string(280 + effect.mode));
        } else {
            EXPECT_EQ(name, effect.fixed_name);
            EXPECT_FALSE(name.empty());
        }
        // The list shows the language text of the effect's own number.
        EXPECT_EQ(effect.reserved, 280 + effect.mode);
    }
    EXPECT_EQ(modes, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(DefaultLightEffectName(kDefaultLightEffects[3], {}), "光谱循环");
    EXPECT_EQ(DefaultLightEffectName(kDefaultLightEffects[1], {}), "");
}

TEST(LightingRules, EachEffectOffersItsSettings) {
    // Off offers nothing; breathing has no brightness; the marquee is the only other colour one.
    const int offers[] = {0, 19, 18, 3, 3, 19, 3};
    for (const DefaultLightEffect& effect : kDefaultLightEffects) {
        EXPECT_EQ(effect.config_func, offers[effect.mode]) << effect.mode;
    }
    EXPECT_FALSE(LightOffers(18, kLightOffersBrightness));
    EXPECT_TRUE(LightOffers(18, kLightOffersSpeed));
    EXPECT_TRUE(LightOffers(18, kLightOffersColour));
    EXPECT_FALSE(LightOffers(0, kLightOffersBrightness | kLightOffersSpeed | kLightOffersColour));
}

TEST(LightingRules, TypedComponentsAreBroughtIntoTheByteAndRewrittenWhenTheyChange) {
    struct Case {
        const char* typed;
        int value;
        bool rewrite;
    };
    const Case cases[] = {
        {"0", 0, false},
        {"128", 128, false},
        {"255", 255, false},
        {"300", 255, true},
        {"256", 255, true},
        {"-5", 0, true},
        {"", 0, true},
        {"abc", 0, true},
        {"12abc", 12, true},
        {"007", 7, true},
        {" 40", 40, true},
        {"99999999999999999999999", 255, true},
        {"-99999999999999999999999", 0, true},
    };
    for (const Case& c : cases) {
        const ColourComponent part = CorrectColourComponent(c.typed);
        EXPECT_EQ(part.value, c.value) << '"' << c.typed << '"';
        EXPECT_EQ(part.rewrite, c.rewrite) << '"' << c.typed << '"';
    }
}

TEST(LightingRules, ColoursSplitIntoRedGreenBlueWithRedInTheLowByte) {
    // The yellow swatch.
    EXPECT_EQ(ComponentsOf(0x00DEFF), (ColourComponents{255, 222, 0}));
    EXPECT_EQ(ColourFromComponents({0, 255, 0}), 0xFF00u);
    EXPECT_EQ(ColourFromComponents({0x12, 0x34, 0x56}), 0x563412u);
    for (std::uint32_t swatch : kLightSwatchColours) {
        EXPECT_EQ(ColourFromComponents(ComponentsOf(swatch)), swatch);
    }
    // A byte above the colour does not leak into it.
    EXPECT_EQ(ComponentsOf(0xFF00DEFF), (ColourComponents{255, 222, 0}));
}

}  // namespace
}  // namespace veltra
