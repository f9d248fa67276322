#include "settings/lighting.h"

#include <algorithm>

#include "common/text.h"

namespace veltra {

std::string DefaultLightEffectName(const DefaultLightEffect& effect, const LangTextLookup& lang) {
    if (effect.name_text == 0) {
        return std::string(effect.fixed_name);
    }
    return lang ? lang(effect.name_text) : std::string();
}

ColourComponent CorrectColourComponent(std::string_view text) {
    // Read like the field's own number: leading blanks and a sign, then digits; the rest is
    // ignored. Far too large numbers saturate and so also end at 255.
    const long read = ParseDecimal(text);
    const int value = static_cast<int>(std::clamp(read, 0L, static_cast<long>(kLightValueMax)));
    return {value, std::to_string(value) != text};
}

}  // namespace veltra
