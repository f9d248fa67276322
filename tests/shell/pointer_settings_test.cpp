#include "shell/pointer_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace veltra {
namespace {

TEST(PointerSpeedTest, EverySpeedHasItsOwnFactorAndComesBack) {
    for (int speed = 1; speed <= 20; ++speed) {
        EXPECT_DOUBLE_EQ(SpeedToFactor(speed), (speed - 10) / 10.0) << speed;
        EXPECT_EQ(SpeedFromFactor(SpeedToFactor(speed)), speed) << speed;
    }
    EXPECT_DOUBLE_EQ(SpeedToFactor(0), -0.9);
    EXPECT_DOUBLE_EQ(SpeedToFactor(INT_MIN), -0.9);
    EXPECT_DOUBLE_EQ(SpeedToFactor(21), 1.0);
    EXPECT_DOUBLE_EQ(SpeedToFactor(INT_MAX), 1.0);
}

TEST(PointerSpeedTest, FactorsRoundToTheNearestSpeedWithinTheEnds) {
    EXPECT_EQ(SpeedFromFactor(0.0), 10);
    EXPECT_EQ(SpeedFromFactor(-1.0), 1);
    EXPECT_EQ(SpeedFromFactor(1.0), 20);
    EXPECT_EQ(SpeedFromFactor(0.04), 10);
    EXPECT_EQ(SpeedFromFactor(0.06), 11);
    EXPECT_EQ(SpeedFromFactor(-0.26), 7);
    EXPECT_EQ(SpeedFromFactor(-0.94), 1);
    EXPECT_EQ(SpeedFromFactor(-0.95), 1);
    EXPECT_EQ(SpeedFromFactor(-7.0), 1);
    EXPECT_EQ(SpeedFromFactor(2.5), 20);
    EXPECT_EQ(SpeedFromFactor(std::numeric_limits<double>::max()), 20);
    EXPECT_EQ(SpeedFromFactor(std::numeric_limits<double>::lowest()), 1);
    EXPECT_EQ(SpeedFromFactor(std::numeric_limits<double>::quiet_NaN()), 10);
    EXPECT_EQ(SpeedFromFactor(std::numeric_limits<double>::infinity()), 10);
    EXPECT_EQ(SpeedFromFactor(-std::numeric_limits<double>::infinity()), 10);
}

TEST(DoubleClickTest, PositionsAndTimesMapBothWays) {
    const int table[11] = {900, 830, 760, 690, 620, 550, 480, 410, 340, 270, 200};
    for (int position = 0; position <= 10; ++position) {
        EXPECT_EQ(DoubleClickPositionMs(position), table[position]) << position;
        EXPECT_EQ(DoubleClickPosition(table[position]), position) << position;
    }
    EXPECT_EQ(DoubleClickPosition(500), 5);
    EXPECT_EQ(DoubleClickPositionMs(-1), 900);
    EXPECT_EQ(DoubleClickPositionMs(INT_MIN), 900);
    EXPECT_EQ(DoubleClickPositionMs(11), 200);
    EXPECT_EQ(DoubleClickPositionMs(INT_MAX), 200);
}

TEST(DoubleClickTest, OtherTimesGoToTheNearestPosition) {
    EXPECT_EQ(DoubleClickPosition(400), 7);  // 410
    EXPECT_EQ(DoubleClickPosition(600), 4);  // 620
    EXPECT_EQ(DoubleClickPosition(520), 5);  // 550
    EXPECT_EQ(DoubleClickPosition(510), 6);  // 480: nearness counts on the 70 ms steps
    EXPECT_EQ(DoubleClickPosition(864), 1);
    EXPECT_EQ(DoubleClickPosition(201), 10);
    EXPECT_EQ(DoubleClickPosition(899), 0);
    // Halfway between two positions goes to the slower one.
    EXPECT_EQ(DoubleClickPosition(865), 0);
    EXPECT_EQ(DoubleClickPosition(445), 6);
    EXPECT_EQ(DoubleClickPosition(235), 9);
    // Outside the slider, the nearer end.
    EXPECT_EQ(DoubleClickPosition(150), 10);
    EXPECT_EQ(DoubleClickPosition(0), 10);
    EXPECT_EQ(DoubleClickPosition(INT_MIN), 10);
    EXPECT_EQ(DoubleClickPosition(1000), 0);
    EXPECT_EQ(DoubleClickPosition(INT_MAX), 0);
}

TEST(PointerDesktopTest, CurrentDesktopListNamesTheDesktop) {
    EXPECT_EQ(DetectPointerDesktop("GNOME"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("gnome"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("ubuntu:GNOME"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("GNOME-Classic:GNOME"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("GNOME-Flashback"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("gnome-classic"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("::GNOME:"), PointerDesktop::Gnome);
    EXPECT_EQ(DetectPointerDesktop("KDE"), PointerDesktop::Kde);
    EXPECT_EQ(DetectPointerDesktop("kde"), PointerDesktop::Kde);
    EXPECT_EQ(DetectPointerDesktop("X-Custom:KDE"), PointerDesktop::Kde);
    // The first name known decides.
    EXPECT_EQ(DetectPointerDesktop("KDE:GNOME"), PointerDesktop::Kde);
    for (const char* other : {"", ":", "Unity", "XFCE", "X-Cinnamon", "GNOMEX", "KDE5", "LXQt",
                              "ubuntu", "GNOME KDE"}) {
        EXPECT_EQ(DetectPointerDesktop(other), PointerDesktop::None) << other;
    }
}

TEST(PointerDesktopTest, NamesAsThePageShowsThem) {
    EXPECT_EQ(PointerDesktopName(PointerDesktop::Gnome), "GNOME");
    EXPECT_EQ(PointerDesktopName(PointerDesktop::Kde), "KDE Plasma");
    EXPECT_EQ(PointerDesktopName(PointerDesktop::None), "");
}

}  // namespace
}  // namespace veltra
