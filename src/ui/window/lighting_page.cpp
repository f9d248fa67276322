#include "ui/window/lighting_page.h"

#include <algorithm>

#include "config/language.h"
#include "store/profile_store.h"
#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/events.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/palette.h"
#include "ui/widgets/sliders.h"
#include "ui/widgets/tabs.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = lighting_page;

namespace {

namespace text {
constexpr int kResetTooltip = 43;
constexpr int kResetQuestion = 275;
constexpr int kResetTitle = 276;
}  // namespace text

// Labels and their language texts.
constexpr std::pair<int, int> kTexts[] = {
    {ids::kTitle, 265},           {ids::kEffectLabel, 266},    {ids::kOptionsTitle, 267},
    {ids::kBrightnessLabel, 268}, {ids::kSpeedLabel, 269},     {ids::kColourTitle, 270},
    {ids::kHueTitle, 271},        {ids::kLightnessLabel, 272},
};

// Controls named by the label beside them (their accessible name is the tooltip).
constexpr std::pair<int, int> kTooltips[] = {
    {ids::kEffects, 266},   {ids::kBrightness, 268}, {ids::kSpeed, 269},
    {ids::kLightness, 272}, {ids::kHue, 271},        {ids::kReset, text::kResetTooltip},
};

constexpr int kComponentIds[] = {ids::kRed, ids::kGreen, ids::kBlue};
constexpr int kComponentLabelIds[] = {ids::kRedLabel, ids::kGreenLabel, ids::kBlueLabel};
constexpr const char* kComponentNames[] = {"R", "G", "B"};

constexpr std::uint32_t kPagePanelColour = 0xC8191919;
constexpr std::uint32_t kInnerPanelColour = 0xC81F1F1F;
constexpr std::uint32_t kOptionsPanelColour = 0xC8333333;
constexpr std::uint32_t kComponentLabelColour = 0xFF6D6D6D;
constexpr std::uint32_t kInitialPreview = 0xD027FB;
constexpr int kInitialSlider = 200;

// Left edges of the effect controls and of the colour column.
constexpr int kLeft = 250;
constexpr int kColourLeft = 570;
constexpr int kSpeedPosition = 127;

// The controls each offered setting shows.
constexpr int kBrightnessControls[] = {ids::kBrightnessLabel, ids::kBrightness};
constexpr int kSpeedControls[] = {ids::kSpeedLabel, ids::kSpeed};
constexpr int kColourControls[] = {
    ids::kColourTitle, ids::kHueTitle, ids::kHue,        ids::kLightnessLabel,
    ids::kLightness,   ids::kRedLabel, ids::kGreenLabel, ids::kBlueLabel,
    ids::kRed,         ids::kGreen,    ids::kBlue,       ids::kPreview,
};

// The area paints 0xRRGGBB; settings hold 0x00BBGGRR.
std::uint32_t AreaColour(std::uint32_t colour) {
    const ColourComponents c = ComponentsOf(colour);
    return static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 |
           static_cast<std::uint32_t>(c.blue);
}

std::string LangLookup(int id) {
    return GetLangText(id);
}

}  // namespace

void LightingPage::Create(MTabLayout& page) {
    // Panels first: later controls paint over them.
    const std::pair<int, std::uint32_t> panels[] = {{ids::kPagePanel, kPagePanelColour},
                                                    {ids::kInnerPanel, kInnerPanelColour},
                                                    {ids::kOptionsPanel, kOptionsPanelColour}};
    for (const auto& [id, colour] : panels) {
        dynamic_cast<CRoundArea*>(page.CreateControl("CRoundArea", id, {}))->SetColor(colour);
    }
    CreateLabel(page, ids::kTitle, 18);
    for (int id : {ids::kEffectLabel, ids::kOptionsTitle}) {
        CreateLabel(page, id, 16);
    }
    for (int id : {ids::kBrightnessLabel, ids::kSpeedLabel, ids::kLightnessLabel, ids::kColourTitle,
                   ids::kHueTitle}) {
        CreateLabel(page, id, 14);
    }
    effects_ = CreateCombo(page, ids::kEffects);

    auto slider = [&page](int id, const char* background) {
        auto* control = dynamic_cast<LightSlider*>(page.CreateControl("LightSlider", id, {}));
        control->SetImage(QString::fromLatin1(background), 1);
        control->SetThumbImage(QStringLiteral("img_lightslider_bar.png"));
        control->SetValue(kInitialSlider);
        return control;
    };
    brightness_ = slider(ids::kBrightness, "img_lightslider_bkg.png");
    speed_ = slider(ids::kSpeed, "img_lightslider_bkg.png");
    lightness_ = slider(ids::kLightness, "img_saturation_bkg.png");

    for (int index = 0; index < ids::kSwatchCount; ++index) {
        auto* swatch = dynamic_cast<CColorButton*>(
            page.CreateControl("CColorButton", ids::kFirstSwatch + index, {}));
        swatch->SetColor(kLightSwatchColours[static_cast<std::size_t>(index)]);
        swatch->SetGroup(QStringLiteral("DEFAULTCOLOR"));
        swatches_.push_back(swatch);
    }
    hue_ = dynamic_cast<PaletteBar*>(page.CreateControl("PaletteBar", ids::kHue, {}));
    hue_->SetImage(QStringLiteral("img_lightslider_bar.png"), 1);

    for (int index = 0; index < 3; ++index) {
        auto* label = dynamic_cast<MText*>(page.CreateControl(
            "MText", kComponentLabelIds[index], {}, QString::fromLatin1(kComponentNames[index])));
        label->SetFont(14);
        label->SetTextColor(kComponentLabelColour);
        MEdit* field = CreateField(page, kComponentIds[index], true);
        field->SetTitle(QStringLiteral("255"));
        field->SetNumberOnly(true);
        field->SetTooltip(QString::fromLatin1(kComponentNames[index]));
        components_.push_back(field);
    }
    preview_ = dynamic_cast<CArea*>(page.CreateControl("CArea", ids::kPreview, {}));
    preview_->SetColor(kInitialPreview);
    // Created for the routing but given no place: the user cannot reach it.
    page.CreateControl("CImageButton", ids::kReset, {})
        ->SetImage(QStringLiteral("btn_reset.png"), 4);

    ShowOptions(0);
    ApplyTexts();
}

// The page area begins at x 205 and clips what lies left of it, so the panels start at 210 like
// those of the other pages and the effect controls sit one panel margin inside them.
void LightingPage::Layout(int w, int h) {
    std::vector<ControlPlace> places = {
        {ids::kPagePanel, Edges(210, 120, w - 20, h - 60)},
        {ids::kTitle, Edges(230, 130, 370, 160)},
        {ids::kInnerPanel, Edges(230, 170, w - 40, h - 80)},
        {ids::kEffectLabel, Edges(kLeft, 180, kLeft + 200, 216)},
        {ids::kEffects, Edges(kLeft, 216, kLeft + 280, 246)},
        {ids::kOptionsTitle, Edges(kLeft + 20, 290, kLeft + 200, 320)},
        {ids::kBrightnessLabel, Edges(kLeft + 40, 350, kLeft + 240, 380)},
        {ids::kBrightness, Edges(kLeft + 60, 390, kLeft + 276, 410)},
        {ids::kSpeedLabel, Edges(kLeft + 40, 410, kLeft + 240, 440)},
        {ids::kSpeed, Edges(kLeft + 60, 450, kLeft + 276, 470)},
        {ids::kLightnessLabel, Edges(kLeft + 40, 470, kLeft + 240, 508)},
        {ids::kLightness, Edges(kLeft + 60, 510, kLeft + 276, 530)},
        {ids::kColourTitle, Edges(kColourLeft, 350, kColourLeft + 200, 380)},
        {ids::kHueTitle, Edges(kColourLeft, 410, kColourLeft + 200, 440)},
        {ids::kHue, Edges(kColourLeft, 450, kColourLeft + 200, 467)},
        {ids::kPreview, Edges(kColourLeft + 210, 450, kColourLeft + 268, 508)},
    };
    for (int index = 0; index < ids::kSwatchCount; ++index) {
        places.push_back({ids::kFirstSwatch + index, QRect(kColourLeft + 35 * index, 380, 24, 24)});
    }
    for (int index = 0; index < 3; ++index) {
        places.push_back({kComponentLabelIds[index], QRect(kColourLeft + 65 * index, 480, 18, 28)});
        places.push_back({kComponentIds[index], QRect(kColourLeft + 18 + 65 * index, 480, 45, 28)});
    }
    MDialog& window = host_.Window();
    for (const ControlPlace& place : places) {
        if (MControl* control = window.GetControl(place.id)) {
            control->SetRect(place.rect);
        }
    }
    PlaceOptionsPanel();
}

void LightingPage::PlaceOptionsPanel() {
    // Narrow, it still holds the sliders with the margin they keep from its left edge.
    const int right =
        LightOffers(config_func_, kLightOffersColour) ? kColourLeft + 300 : kLeft + 276 + 40;
    PlaceControls(host_.Window(), {{ids::kOptionsPanel, Edges(kLeft, 270, right, 570)}});
}

void LightingPage::ApplyTexts() {
    MDialog& window = host_.Window();
    for (const auto& [id, text_id] : kTexts) {
        window.Get<MControlFont>(id)->SetTitle(LangText(text_id));
    }
    for (const auto& [id, text_id] : kTooltips) {
        window.GetControl(id)->SetTooltip(LangText(text_id));
    }
    for (int index = 0; index < effects_->GetCount(); ++index) {
        effects_->SetItemText(index, LangText(effect_texts_[static_cast<std::size_t>(index)]));
    }
}

void LightingPage::Refresh() {
    speed_->SetRange(0, kLightValueMax);
    speed_->SetValue(kSpeedPosition);
    ProfileStore& store = host_.Store();
    const int profile = host_.ActiveProfile();
    EnsureLightEffects(store, profile, host_.HasLighting(), LangLookup);

    std::vector<LightMode> rows;
    store.LoadLightModes(profile, rows);
    effects_->DelAllItems();
    effect_texts_.clear();
    for (const LightMode& row : rows) {
        effects_->AddItem(LangText(row.reserved), row.mode);
        effect_texts_.push_back(row.reserved);
    }
    effects_->SelectData(store.GetActiveLightMode(profile));
    ShowEffect();
}

bool LightingPage::Handle(int id, int event, int param) {
    (void)param;
    const bool action = event == Code(Event::Action);
    // The fields take every event; one commit (Enter, or leaving after a change) applies.
    if (id == ids::kRed || id == ids::kGreen || id == ids::kBlue) {
        if (action) {
            EditColourComponents();
        }
        return true;
    }
    if (!action) {
        return false;
    }
    switch (id) {
        case ids::kEffects:
            ChooseEffect();
            return true;
        case ids::kBrightness:
            StoreSlider(LightSetting::Brightness, brightness_->GetValue());
            return true;
        case ids::kSpeed:
            StoreSlider(LightSetting::Speed, speed_->GetValue());
            return true;
        case ids::kHue:
        case ids::kLightness:
            PickPaletteColour();
            return true;
        case ids::kReset:
            ResendLighting();
            return true;
        default:
            if (id >= ids::kFirstSwatch && id < ids::kFirstSwatch + ids::kSwatchCount) {
                PickSwatch(id);
                return true;
            }
            return false;
    }
}

void LightingPage::ShowEffect() {
    if (!host_.HasLighting()) {
        return;
    }
    current_effect_ = effects_->GetCurData();
    ProfileStore& store = host_.Store();
    const int profile = host_.ActiveProfile();
    const std::optional<LightMode> row = LoadLightEffect(store, profile, current_effect_);
    if (!row) {
        return;
    }
    ChooseLightEffect(store, profile, current_effect_);
    if (LightOffers(row->config_func, kLightOffersBrightness)) {
        brightness_->SetValue(row->brightness);
    }
    if (LightOffers(row->config_func, kLightOffersSpeed)) {
        speed_->SetValue(row->speed);
    }
    if (LightOffers(row->config_func, kLightOffersColour)) {
        const auto colour = static_cast<std::uint32_t>(row->color_value);
        FillComponents(colour);
        ShowColour(colour);
        for (CColorButton* swatch : swatches_) {
            if (swatch->GetColor() == colour) {
                swatch->SetCheck(true);
            } else if (swatch->GetCheck()) {
                swatch->SetCheck(false);
            }
        }
    }
    ShowOptions(row->config_func);
}

void LightingPage::ShowOptions(int config_func) {
    config_func_ = config_func;
    const bool brightness = LightOffers(config_func, kLightOffersBrightness);
    const bool speed = LightOffers(config_func, kLightOffersSpeed);
    const bool colour = LightOffers(config_func, kLightOffersColour);
    MDialog& window = host_.Window();
    auto show = [&window](int id, bool visible) {
        if (MControl* control = window.GetControl(id)) {
            control->SetVisible(visible);
        }
    };
    // The colour controls lie on the panel too, so it shows for any offered setting.
    for (int id : {ids::kOptionsPanel, ids::kOptionsTitle}) {
        show(id, brightness || speed || colour);
    }
    for (int id : kBrightnessControls) {
        show(id, brightness);
    }
    for (int id : kSpeedControls) {
        show(id, speed);
    }
    for (int id : kColourControls) {
        show(id, colour);
    }
    for (int index = 0; index < ids::kSwatchCount; ++index) {
        show(ids::kFirstSwatch + index, colour);
    }
    PlaceOptionsPanel();
}

void LightingPage::ChooseEffect() {
    if (!host_.HasLighting()) {
        return;
    }
    ShowEffect();
    host_.QueueTask(TaskCode::LightingWrite);
}

void LightingPage::StoreSlider(LightSetting setting, int value) {
    if (!host_.HasLighting()) {
        return;
    }
    if (SetLightEffectValue(host_.Store(), host_.ActiveProfile(), current_effect_, setting,
                            std::clamp(value, 0, kLightValueMax)) == LightWrite::Stored) {
        host_.QueueTask(TaskCode::LightingWrite);
    }
}

void LightingPage::PickSwatch(int id) {
    const auto colour = swatches_[static_cast<std::size_t>(id - ids::kFirstSwatch)]->GetColor();
    FillComponents(colour);
    ApplyColour(colour);
}

void LightingPage::PickPaletteColour() {
    for (CColorButton* swatch : swatches_) {
        if (swatch->GetCheck()) {
            swatch->SetCheck(false);
        }
    }
    const std::uint32_t colour = hue_->PaletteHSLToRGB(lightness_->GetValue());
    FillComponents(colour);
    ApplyColour(colour);
}

void LightingPage::EditColourComponents() {
    ColourComponents colour;
    int* parts[] = {&colour.red, &colour.green, &colour.blue};
    for (std::size_t index = 0; index < components_.size(); ++index) {
        const ColourComponent part =
            CorrectColourComponent(components_[index]->GetTitle().toStdString());
        if (part.rewrite) {
            components_[index]->SetTitle(QString::number(part.value));
        }
        *parts[index] = part.value;
    }
    ApplyColour(ColourFromComponents(colour));
}

void LightingPage::FillComponents(std::uint32_t colour) {
    const ColourComponents parts = ComponentsOf(colour);
    const int values[] = {parts.red, parts.green, parts.blue};
    for (std::size_t index = 0; index < components_.size(); ++index) {
        components_[index]->SetTitle(QString::number(values[index]));
    }
}

void LightingPage::ShowColour(std::uint32_t colour) {
    preview_->SetColor(AreaColour(colour));
}

void LightingPage::ApplyColour(std::uint32_t colour) {
    ShowColour(colour);
    if (!host_.HasLighting()) {
        return;
    }
    if (SetLightEffectValue(host_.Store(), host_.ActiveProfile(), current_effect_,
                            LightSetting::Colour, static_cast<int>(colour)) == LightWrite::Stored) {
        host_.QueueTask(TaskCode::LightingWrite);
    }
}

void LightingPage::ResendLighting() {
    if (!host_.HasLighting()) {
        return;
    }
    if (ShowMessageBox(&host_.Window(), LangText(text::kResetQuestion), LangText(text::kResetTitle),
                       kMessageOkCancel) == kResultCancel) {
        return;
    }
    host_.QueueTask(TaskCode::LightingReset);
}

}  // namespace veltra::ui
