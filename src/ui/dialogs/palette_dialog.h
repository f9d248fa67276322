#pragma once
// The colour palette of the DPI levels: sixteen preset colours, confirmed with OK. The result
// is the chosen colour (a colour value, red in the lowest byte) and its preset index.
#include <cstdint>
#include <functional>

#include "ui/widgets/dialog.h"

namespace veltra::ui {

// The DPI colours in the order of the mouse's 16-colour table.
inline constexpr std::uint32_t kPresetColours[16] = {
    0xFFFFFF, 0x0000FF, 0x007FFF, 0x00FFFF, 0x00FF7F, 0x00FF3F, 0x00FF00, 0x7FFF00,
    0xFFFF00, 0xFF7F00, 0xFF3F00, 0xFF0000, 0xFF007F, 0xFF00FF, 0x7F00FF, 0x3F00FF};

class MousePaletteDlg : public MDialog {
  public:
    MousePaletteDlg() = default;

    void SetColor(std::uint32_t colour) { colour_ = colour; }
    std::uint32_t GetColor() const { return colour_; }
    int GetPresetIndex() const { return preset_; }

    // Creates the dialog owned by `owner`, centred on it, and runs it. 1 when confirmed.
    int Run(QWidget* owner);

  protected:
    void OnCreateControls(const QRect& client) override;
    void OnLayout(const QRect& client) override;
    void OnInitDialog() override;
    int OnNotify(int id, int event, int param) override;

  private:
    void ShowComponents();
    void TakeComponents();

    std::uint32_t colour_ = 0;
    int preset_ = 0;
};

// Tests and scripted runs answer the palette without a window: while a hook is set, Run returns
// 1 with the hook's colour and preset index when it answers true, else 2, and shows nothing.
using PaletteHook = std::function<bool(std::uint32_t& colour, int& preset)>;
void SetPaletteHook(PaletteHook hook);

}  // namespace veltra::ui
