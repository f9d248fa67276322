#include "ui/dialogs/palette_dialog.h"

#include <algorithm>

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/palette.h"

namespace veltra::ui {
namespace {

constexpr int kClose = 31;
constexpr int kWheel = 32;
constexpr int kFirstComponentLabel = 33;
constexpr int kFirstComponent = 36;
constexpr int kFirstPreset = 39;
constexpr int kConfirm = 55;

PaletteHook& Hook() {
    static PaletteHook hook;
    return hook;
}

}  // namespace

void SetPaletteHook(PaletteHook hook) {
    Hook() = std::move(hook);
}

int MousePaletteDlg::Run(QWidget* owner) {
    if (Hook()) {
        return Hook()(colour_, preset_) ? kResultOk : kResultCancel;
    }
    Create(owner, QStringLiteral("Mouse PaletteDlg"), kStylePopup, Edges(0, 0, 460, 220));
    CenterWindow();
    return ShowModal(kShow);
}

void MousePaletteDlg::OnCreateControls(const QRect& client) {
    (void)client;
    auto* close = Create<CImageButton>("CImageButton", kClose, QRect());
    close->SetImage(QStringLiteral("sysbtn_close.png"), 4);
    close->SetTooltip(LangText(5));
    // The wheel and the component fields have no place in this window; they are kept, hidden,
    // for what they do with the colour.
    auto* wheel = Create<CirclePalette>("CirclePalette", kWheel, QRect());
    wheel->SetImage(QStringLiteral("img_palette.png"), 1);
    wheel->SetColor(colour_);
    wheel->SetVisible(false);
    const char* const kComponents[] = {"R:", "G:", "B:"};
    for (int i = 0; i < 3; ++i) {
        CreateControl("MText", kFirstComponentLabel + i, QRect(),
                      QString::fromLatin1(kComponents[i]))
            ->SetVisible(false);
        auto* field = Create<MEdit>("MEdit", kFirstComponent + i, QRect());
        field->SetImage(QStringLiteral("img_edit.png"), 4);
        field->SetNumberOnly(true);
        field->SetVisible(false);
    }
    for (int k = 0; k < 16; ++k) {
        auto* preset = Create<CColorButton>("CColorButton", kFirstPreset + k, QRect());
        preset->SetColor(kPresetColours[k]);
        preset->SetGroup(QStringLiteral("DEFAULTCOLOR"));
        // The colour the dialog starts with is shown as chosen; the result stays unchosen.
        if (kPresetColours[k] == colour_) {
            preset->SetCheck(true);
        }
    }
    auto* confirm = Create<MButton>("MButton", kConfirm, QRect(), LangText(27));
    confirm->SetImage(QStringLiteral("img_button.png"), 4);
    ShowComponents();
}

void MousePaletteDlg::OnLayout(const QRect& client) {
    int w = client.width();
    int h = client.height();
    if (MControl* close = GetControl(kClose)) {
        close->SetRect(Edges(w - 50, 15, w - 20, 45));
    }
    for (int k = 0; k < 16; ++k) {
        if (MControl* preset = GetControl(kFirstPreset + k)) {
            int left = 30 + (k % 8) * 50;
            int top = k < 8 ? 60 : 110;
            preset->SetRect(Edges(left, top, left + 36, top + 36));
        }
    }
    if (MControl* confirm = GetControl(kConfirm)) {
        confirm->SetRect(Edges(w - 120, h - 50, w - 20, h - 20));
    }
}

void MousePaletteDlg::OnInitDialog() {
    SetLayeredWindow(true);
    EnableWndDrag(true);
    if (MControl* confirm = GetControl(kConfirm)) {
        confirm->setFocus();
    }
}

int MousePaletteDlg::OnNotify(int id, int event, int param) {
    (void)param;
    if (id == kClose && event == Code(Event::Action)) {
        DoCancel();
        return 1;
    }
    if (id == kConfirm && event == Code(Event::Action)) {
        DoOK();
        return 1;
    }
    if (id >= kFirstPreset && id < kFirstPreset + 16 && event == Code(Event::Action)) {
        colour_ = Get<CColorButton>(id)->GetColor();
        preset_ = id - kFirstPreset;
        ShowComponents();
        return 1;
    }
    if (id == kWheel && event == Code(Event::PalettePicked)) {
        colour_ = Get<CirclePalette>(kWheel)->GetColor();
        ShowComponents();
        return 1;
    }
    if (id >= kFirstComponent && id < kFirstComponent + 3 && event == Code(Event::FocusLost)) {
        TakeComponents();
        return 1;
    }
    return 0;
}

void MousePaletteDlg::ShowComponents() {
    for (int i = 0; i < 3; ++i) {
        if (auto* field = Get<MEdit>(kFirstComponent + i)) {
            field->SetTitle(QString::number((colour_ >> (8 * i)) & 0xFF));
        }
    }
}

void MousePaletteDlg::TakeComponents() {
    std::uint32_t colour = 0;
    for (int i = 0; i < 3; ++i) {
        auto* field = Get<MEdit>(kFirstComponent + i);
        if (field == nullptr) {
            return;
        }
        bool number = false;
        int value = field->GetTitle().toInt(&number);
        int clamped = std::clamp(number ? value : 0, 0, 255);
        if (!number || clamped != value) {
            field->SetTitle(QString::number(clamped));
        }
        colour |= static_cast<std::uint32_t>(clamped) << (8 * i);
    }
    colour_ = colour;
    if (auto* wheel = Get<CirclePalette>(kWheel)) {
        wheel->SetColor(colour_);
    }
}

}  // namespace veltra::ui
