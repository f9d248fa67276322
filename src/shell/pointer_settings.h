#pragma once

// The desktop's own pointer settings (pointer speed, pointer acceleration, wheel scroll lines,
// double-click time), which the performance page edits beside the mouse's options. The program
// speaks one set of units, the ones its profiles store; each desktop backend converts them to
// its own with the mappings below, written once for every backend.
//
// Threads: a backend may be called from any thread, one call at a time (the window reads on its
// thread, the worker applies speed and double-click time on its own); backends serialise their
// calls themselves.

#include <memory>
#include <optional>
#include <string>

namespace veltra {

enum class PointerSetting {
    Speed,        // 1..20, 10 the desktop's middle
    Precision,    // pointer acceleration: 1 on, 0 off (a flat profile)
    WheelLines,   // lines per notch 1..20, or kWheelPageScroll for one screen per notch
    DoubleClick,  // milliseconds
};

inline constexpr int kWheelPageScroll = -1;

enum class PointerDesktop { None, Gnome, Kde };

// What became of a change.
enum class PointerWrite {
    Applied,       // the desktop has it now
    AppliesLater,  // stored where the desktop reads it, but it takes effect at the next login
    Unsupported,   // this desktop has no such setting (or not this value, e.g. one screen)
    Failed,        // the desktop refused it or could not be reached; nothing changed
};

class PointerSettings {
  public:
    virtual ~PointerSettings() = default;

    virtual PointerDesktop Desktop() const = 0;
    // Whether the desktop has the setting at all; a setting it lacks is shown but not edited.
    virtual bool Supports(PointerSetting setting) const = 0;
    // Whether the desktop takes `value` for a setting it supports (KDE Plasma has no
    // one-screen scrolling, for example).
    virtual bool Accepts(PointerSetting setting, int value) const = 0;
    // The desktop's current value in the program's units; nullopt when unsupported or unreadable.
    virtual std::optional<int> Read(PointerSetting setting) = 0;
    virtual PointerWrite Write(PointerSetting setting, int value) = 0;
};

// A desktop's name as the page shows it ("GNOME", "KDE Plasma"), empty for None.
std::string PointerDesktopName(PointerDesktop desktop);

// The running desktop from XDG_CURRENT_DESKTOP (a colon-separated list, matched without regard
// to case: "GNOME", "ubuntu:GNOME", "KDE"); None for any other.
PointerDesktop DetectPointerDesktop(const std::string& current_desktop);

// The mappings between the program's units and the desktops'.
//
// Speed: the desktops' acceleration factor -1..1 (0 their default) and speed 1..20 (10 the
// middle): factor = (speed - 10) / 10, so every speed maps to its own factor and back; factors
// between steps round to the nearest speed, those below -0.9 give 1.
double SpeedToFactor(int speed);
int SpeedFromFactor(double factor);

// The double-click slider: position p (0..10) stands for 900 - 70 p milliseconds. A time maps to
// its position exactly (and 500 to position 5); another time inside 200..900 to the position of
// the nearest of those steps (halfway between two, the slower one), outside it to the nearer end.
int DoubleClickPositionMs(int position);
int DoubleClickPosition(int milliseconds);

}  // namespace veltra
