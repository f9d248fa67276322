#pragma once
// The event codes a control hands to its dialog's notification operation. Every control maps
// its own input to these codes, and only to these:
//
//   Changing          a slider, DPI slider, light slider or hue bar moves (drag or keys)
//   Action            click or Space/Enter on a button; a combo box, radio, list row, tab or
//                     device chosen; a slider released; an edit field committed (Enter, or
//                     focus lost after a change)
//   DpiMaskChanged    a DPI level's check box toggled
//   DpiColourPick     a DPI level's colour swatch clicked
//   FocusLost         an edit field lost the keyboard focus (parameter 1 when only the window
//                     lost it to another window, else 0)
//   PalettePicked     a colour picked on the colour wheel
//   TextChanged       the user changed an edit field's text
//   FocusGained       an edit field got the keyboard focus (parameter 1 when it came back with
//                     its window, else 0)
//   KeyInput          a key pressed (parameter 0) or released (1) in a key capture field
//   ItemButton        a list row's item button pressed, or the menu key on the selected row
//   ItemEdited        a list row's in-place text editing ended with Enter or a focus change
namespace veltra::ui {

enum class Event : int {
    Changing = 1,
    Action = 2,
    DpiMaskChanged = 7,
    DpiColourPick = 9,
    FocusLost = 26,
    PalettePicked = 27,
    TextChanged = 29,
    FocusGained = 30,
    KeyInput = 31,
    ItemButton = 40,
    ItemEdited = 41,
};

inline constexpr int Code(Event e) {
    return static_cast<int>(e);
}

}  // namespace veltra::ui
