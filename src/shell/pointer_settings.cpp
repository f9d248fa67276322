#include "shell/pointer_settings.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/text.h"

namespace veltra {
namespace {

constexpr int kMinSpeed = 1;
constexpr int kMaxSpeed = 20;
constexpr int kMiddleSpeed = 10;

constexpr int kSlowestPosition = 0;
constexpr int kFastestPosition = 10;
constexpr int kSlowestMs = 900;
constexpr int kFastestMs = 200;
constexpr int kMsPerPosition = 70;
// The slider's middle stands for 500 ms although the step would make it 550: both map to it.
constexpr int kMiddlePosition = 5;
constexpr int kMiddleMs = 500;

PointerDesktop DesktopOfElement(std::string_view element) {
    for (const std::string_view gnome : {"GNOME", "GNOME-Classic", "GNOME-Flashback"}) {
        if (EqualsIgnoreAsciiCase(element, gnome)) {
            return PointerDesktop::Gnome;
        }
    }
    return EqualsIgnoreAsciiCase(element, "KDE") ? PointerDesktop::Kde : PointerDesktop::None;
}

}  // namespace

std::string PointerDesktopName(PointerDesktop desktop) {
    switch (desktop) {
        case PointerDesktop::Gnome:
            return "GNOME";
        case PointerDesktop::Kde:
            return "KDE Plasma";
        case PointerDesktop::None:
            break;
    }
    return {};
}

PointerDesktop DetectPointerDesktop(const std::string& current_desktop) {
    // The list runs from the most to the least specific name; the first one known decides.
    std::string_view rest = current_desktop;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const PointerDesktop desktop = DesktopOfElement(TrimAsciiSpace(rest.substr(0, colon)));
        if (desktop != PointerDesktop::None) {
            return desktop;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return PointerDesktop::None;
}

double SpeedToFactor(int speed) {
    return (std::clamp(speed, kMinSpeed, kMaxSpeed) - kMiddleSpeed) / 10.0;
}

int SpeedFromFactor(double factor) {
    if (!std::isfinite(factor)) {
        return kMiddleSpeed;
    }
    const double steps = std::round(std::clamp(factor, -1.0, 1.0) * 10.0);
    return std::clamp(kMiddleSpeed + static_cast<int>(steps), kMinSpeed, kMaxSpeed);
}

int DoubleClickPositionMs(int position) {
    return kSlowestMs - kMsPerPosition * std::clamp(position, kSlowestPosition, kFastestPosition);
}

int DoubleClickPosition(int milliseconds) {
    if (milliseconds == kMiddleMs) {
        return kMiddlePosition;
    }
    if (milliseconds <= kFastestMs) {
        return kFastestPosition;
    }
    if (milliseconds >= kSlowestMs) {
        return kSlowestPosition;
    }
    // Halfway between two positions goes to the slower one (the larger time): rounding the
    // distance from the slow end half down.
    return (kSlowestMs - milliseconds + kMsPerPosition / 2 - 1) / kMsPerPosition;
}

}  // namespace veltra
