#pragma once
// Process-wide look settings: the caption, the theme colour and the skin the controls draw
// from. Set once at start-up on the user-interface thread, before the first window is built;
// read by every control while it paints.
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>
#include <cstdint>

namespace veltra::ui {

class Manager {
  public:
    static void SetDeviceName(const QString& caption);
    static QString GetDeviceName();

    // ARGB, as the configuration file gives it.
    static void SetSelectColor(std::uint32_t argb);
    static inline std::uint32_t m_select_color = 0xFF00A0E9;
    static QColor SelectColor();

    // The skin images come from <skin root>/<theme>/; without a file the control paints itself.
    static void SetSkinRoot(const QString& folder);
    static void SetTheme(const QString& theme);
    static QString GetTheme();
    static QString SkinFolder();

    // "Segoe UI" of the skin: the desktop's UI font, falling back to fonts that cover Latin and
    // Simplified Chinese. Sizes are in device-independent pixels, as the skin gives them.
    static QFont UiFont(int pixel_size, int weight = 400);
};

class MRender {
  public:
    // An icon from a file (any image format Qt reads, with its @2x sibling); a null icon when
    // the file cannot be read.
    static QIcon LoadIconFromFile(const QString& path);
};

// A 32-bit ARGB value as a colour.
QColor FromArgb(std::uint32_t argb);
// A colour value of the settings (red in the lowest byte, blue in the third) as a colour.
QColor FromColourValue(std::uint32_t bgr);
std::uint32_t ToColourValue(const QColor& colour);

}  // namespace veltra::ui
