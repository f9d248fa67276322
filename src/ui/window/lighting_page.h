#pragma once
// The lighting page: the effect list of the active profile and the brightness, speed and colour
// of the chosen effect, as far as the effect offers them. Each change is stored in the effect's
// row (frontend/lighting_effects.h) and followed by a settings write. On a model without
// lighting the page writes nothing.
#include <cstdint>
#include <vector>

#include "frontend/lighting_effects.h"
#include "ui/window/device_page.h"

namespace veltra::ui {

class CArea;
class CColorButton;
class LightSlider;
class MComboBox;
class MEdit;
class PaletteBar;

namespace lighting_page {
inline constexpr int kPagePanel = 158;
inline constexpr int kTitle = 159;
inline constexpr int kInnerPanel = 160;
inline constexpr int kEffectLabel = 161;
inline constexpr int kEffects = 162;
inline constexpr int kOptionsPanel = 163;
inline constexpr int kOptionsTitle = 164;
inline constexpr int kReset = 165;
inline constexpr int kBrightnessLabel = 166;
inline constexpr int kBrightness = 167;
inline constexpr int kSpeedLabel = 168;
inline constexpr int kSpeed = 169;
inline constexpr int kColourTitle = 170;
inline constexpr int kFirstSwatch = 171;  // eight swatches, 171..178
inline constexpr int kSwatchCount = 8;
inline constexpr int kHueTitle = 179;
inline constexpr int kHue = 180;
inline constexpr int kPreview = 181;
inline constexpr int kLightnessLabel = 182;
inline constexpr int kLightness = 183;
inline constexpr int kRedLabel = 184;
inline constexpr int kGreenLabel = 185;
inline constexpr int kBlueLabel = 186;
inline constexpr int kRed = 187;
inline constexpr int kGreen = 188;
inline constexpr int kBlue = 189;
}  // namespace lighting_page

class LightingPage {
  public:
    explicit LightingPage(DevicePageHost& host) : host_(host) {}

    void Create(MTabLayout& page);
    void Layout(int w, int h);
    // Labels, and the effect list's item texts (selection and item data unchanged).
    void ApplyTexts();
    // Loads the page from the active profile: the default effects when it has none, the effect
    // list, and the active effect shown.
    void Refresh();
    bool Handle(int id, int event, int param);

  private:
    void ShowEffect();
    void ShowOptions(int config_func);
    void ChooseEffect();
    void StoreSlider(LightSetting setting, int value);
    void PickSwatch(int id);
    void PickPaletteColour();
    void EditColourComponents();
    void FillComponents(std::uint32_t colour);
    void ShowColour(std::uint32_t colour);
    void ApplyColour(std::uint32_t colour);
    void ResendLighting();
    void PlaceOptionsPanel();

    DevicePageHost& host_;
    MComboBox* effects_ = nullptr;
    LightSlider* brightness_ = nullptr;
    LightSlider* speed_ = nullptr;
    LightSlider* lightness_ = nullptr;
    PaletteBar* hue_ = nullptr;
    CArea* preview_ = nullptr;
    std::vector<CColorButton*> swatches_;
    std::vector<MEdit*> components_;  // R, G, B
    // The language text of each effect list item, by index.
    std::vector<int> effect_texts_;
    // The effect shown and the settings it offers.
    int current_effect_ = 0;
    int config_func_ = 0;
};

}  // namespace veltra::ui
