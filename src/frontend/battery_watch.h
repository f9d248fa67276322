#pragma once
// What the notification area tells of the mouse's battery: which icon stands for a reading, and
// when the user is warned that the battery runs low. The readings are those the worker already
// reports (status block at connection, the receiver's poll); nothing here asks the mouse.
//
// Threads: one thread (the window's); no locking.

#include <array>
#include <map>
#include <optional>

#include "device/command_protocol.h"
#include "device/driver_comm.h"

namespace veltra {

// The notification icon's steps. A cable or no mouse shows the program's plain icon: a mouse on
// its cable is powered and its level says nothing the user needs.
enum class TrayBatteryStep { Plain, Full, Half, Low, Charging };

// Full from this level, Low up to kBatteryNoticeLevels[0]; Half between.
inline constexpr int kTrayFullLevel = 60;

// The low-battery thresholds in percent, highest first: a notice when the level first falls to
// or below one of them.
inline constexpr std::array<int, 2> kBatteryNoticeLevels{15, 5};

TrayBatteryStep TrayBatteryStepOf(ConnectionMode mode, const std::optional<BatteryInfo>& battery);

// Decides the low-battery notices of every model it sees: one per threshold, not again for that
// threshold until the mouse was charged above it. A mouse that sleeps and wakes, or leaves and
// comes back, at the same level starts none; charging starts none.
class LowBatteryWatch {
  public:
    // A threshold is armed again by a reading above it while charging, or by one at least this
    // far above it (a mouse charged elsewhere, or on its cable while this program did not look):
    // a level that wavers by a point at the threshold warns only once.
    static constexpr int kRearmMargin = 10;

    // The threshold to warn about for this reading of `device_type`'s battery, or nullopt. A
    // reading below several thresholds at once warns about the lowest only.
    std::optional<int> Observe(int device_type, const BatteryInfo& battery);

  private:
    // Per threshold of kBatteryNoticeLevels: warned, and not charged above it since.
    using Warned = std::array<bool, kBatteryNoticeLevels.size()>;
    std::map<int, Warned> warned_;
};

}  // namespace veltra
