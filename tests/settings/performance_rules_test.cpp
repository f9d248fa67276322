#include "settings/performance_rules.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

TEST(PerformanceRules, CodesStandForTheTimesTheWindowLists) {
    // The window's items: idle light "5s".."40s" in steps of 5, sleep "10s", "60s", "120s",
    // "180s"; the item data is the code.
    for (int code = 0; code < 8; ++code) {
        EXPECT_EQ(IdleLightSeconds(code), 5 * (code + 1)) << code;
    }
    EXPECT_EQ(SleepSeconds(2), 120);
    EXPECT_EQ(SleepSeconds(3), 180);
}

TEST(PerformanceRules, OnlyTheBitsTheMouseCarriesCount) {
    // A stored value out of range (an imported profile, a hand-edited store) reads as the mouse
    // would see it, never past the tables.
    EXPECT_EQ(IdleLightSeconds(8 + 4), IdleLightSeconds(4));
    EXPECT_EQ(IdleLightSeconds(-1), 40);
    EXPECT_EQ(SleepSeconds(4 + 1), 60);
    EXPECT_EQ(SleepSeconds(-4), 10);
}

}  // namespace
}  // namespace veltra
