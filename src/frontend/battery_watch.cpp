#include "frontend/battery_watch.h"

#include <algorithm>

namespace veltra {

TrayBatteryStep TrayBatteryStepOf(ConnectionMode mode, const std::optional<BatteryInfo>& battery) {
    if (!battery || (mode != ConnectionMode::Receiver && mode != ConnectionMode::Bluetooth)) {
        return TrayBatteryStep::Plain;
    }
    if (battery->charging) {
        return TrayBatteryStep::Charging;
    }
    const int level = std::clamp(battery->level, 0, 100);
    if (level >= kTrayFullLevel) {
        return TrayBatteryStep::Full;
    }
    return level > kBatteryNoticeLevels[0] ? TrayBatteryStep::Half : TrayBatteryStep::Low;
}

std::optional<int> LowBatteryWatch::Observe(int device_type, const BatteryInfo& battery) {
    Warned& warned = warned_[device_type];
    const int level = std::clamp(battery.level, 0, 100);
    for (std::size_t i = 0; i < kBatteryNoticeLevels.size(); ++i) {
        const int threshold = kBatteryNoticeLevels[i];
        if (level > threshold && (battery.charging || level >= threshold + kRearmMargin)) {
            warned[i] = false;
        }
    }
    if (battery.charging) {
        return std::nullopt;
    }
    // The lowest threshold reached; the higher ones count as told with it.
    std::optional<std::size_t> reached;
    for (std::size_t i = 0; i < kBatteryNoticeLevels.size(); ++i) {
        if (level <= kBatteryNoticeLevels[i]) {
            reached = i;
        }
    }
    if (!reached || warned[*reached]) {
        return std::nullopt;
    }
    std::fill(warned.begin(), warned.begin() + static_cast<std::ptrdiff_t>(*reached) + 1, true);
    return kBatteryNoticeLevels[*reached];
}

}  // namespace veltra
