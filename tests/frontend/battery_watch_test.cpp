#include "frontend/battery_watch.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace veltra {
namespace {

constexpr int kModel = 101;

BatteryInfo On(int level) {
    return {.level = level, .charging = false};
}

BatteryInfo Charging(int level) {
    return {.level = level, .charging = true};
}

// The thresholds warned about for a run of readings, in order.
std::vector<int> Notices(LowBatteryWatch& watch, const std::vector<BatteryInfo>& readings,
                         int model = kModel) {
    std::vector<int> told;
    for (const BatteryInfo& reading : readings) {
        if (const std::optional<int> threshold = watch.Observe(model, reading)) {
            told.push_back(*threshold);
        }
    }
    return told;
}

TEST(LowBatteryWatchTest, AFallingBatteryWarnsOncePerThreshold) {
    LowBatteryWatch watch;
    EXPECT_EQ(Notices(watch, {On(20), On(15), On(14), On(14), On(9), On(5), On(4), On(0)}),
              (std::vector<int>{15, 5}));
    // Asleep, then awake at the same level, or the link lost and found: readings repeat.
    EXPECT_EQ(Notices(watch, {On(4), On(4)}), std::vector<int>{});
}

TEST(LowBatteryWatchTest, OnlyAChargeAboveAThresholdArmsItAgain) {
    LowBatteryWatch watch;
    ASSERT_EQ(Notices(watch, {On(20), On(14)}), std::vector<int>{15});
    // A level that wavers at the threshold without a charge warns no more.
    EXPECT_EQ(Notices(watch, {On(16), On(15), On(17), On(14)}), std::vector<int>{});
    // Charging starts no notice, whatever the level; a charge above 15 arms 15 again.
    EXPECT_EQ(Notices(watch, {Charging(3), Charging(16), On(30), On(15)}), std::vector<int>{15});
    // A charge that stayed below the threshold arms nothing.
    ASSERT_EQ(Notices(watch, {On(5)}), std::vector<int>{5});
    EXPECT_EQ(Notices(watch, {Charging(5), On(5), On(4)}), std::vector<int>{});
    // Charged elsewhere: the mouse comes back well above both thresholds.
    EXPECT_EQ(Notices(watch, {On(80), On(15), On(5)}), (std::vector<int>{15, 5}));
}

TEST(LowBatteryWatchTest, AFirstReadingBelowBothThresholdsWarnsOnce) {
    LowBatteryWatch watch;
    EXPECT_EQ(Notices(watch, {On(3), On(2)}), std::vector<int>{5});
    // A full charge arms both again; out-of-range bytes count as full or empty.
    EXPECT_EQ(Notices(watch, {On(255), On(12), On(-4)}), (std::vector<int>{15, 5}));
}

TEST(LowBatteryWatchTest, EachModelHasItsOwnThresholds) {
    LowBatteryWatch watch;
    EXPECT_EQ(Notices(watch, {On(14)}, 101), std::vector<int>{15});
    EXPECT_EQ(Notices(watch, {On(14)}, 301), std::vector<int>{15});
    EXPECT_EQ(Notices(watch, {On(14)}, 101), std::vector<int>{});
}

TEST(TrayBatteryStepTest, OnlyAWirelessLinkShowsTheBattery) {
    const std::optional<BatteryInfo> none;
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Receiver, none), TrayBatteryStep::Plain);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Wired, On(50)), TrayBatteryStep::Plain);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::NotConnected, On(50)), TrayBatteryStep::Plain);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Receiver, On(100)), TrayBatteryStep::Full);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Bluetooth, On(60)), TrayBatteryStep::Full);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Receiver, On(59)), TrayBatteryStep::Half);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Receiver, On(16)), TrayBatteryStep::Half);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Receiver, On(15)), TrayBatteryStep::Low);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Receiver, On(-1)), TrayBatteryStep::Low);
    EXPECT_EQ(TrayBatteryStepOf(ConnectionMode::Bluetooth, Charging(4)), TrayBatteryStep::Charging);
}

}  // namespace
}  // namespace veltra
