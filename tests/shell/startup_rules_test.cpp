#include "shell/startup_rules.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

TEST(MonitorScaleTest, OnlyTheKnownDpisScaleAboveOneHundred) {
    EXPECT_EQ(MonitorScaleFromDpi(72), 100);
    EXPECT_EQ(MonitorScaleFromDpi(96), 100);
    EXPECT_EQ(MonitorScaleFromDpi(120), 125);
    EXPECT_EQ(MonitorScaleFromDpi(144), 144);
    EXPECT_EQ(MonitorScaleFromDpi(168), 168);
    EXPECT_EQ(MonitorScaleFromDpi(192), 192);
    // Between and beyond the steps nothing is guessed.
    EXPECT_EQ(MonitorScaleFromDpi(130), 100);
    EXPECT_EQ(MonitorScaleFromDpi(240), 100);
    EXPECT_EQ(MonitorScaleFromDpi(-1), 100);
}

TEST(MonitorScaleTest, QueryFallsBackTo96DpiAndReportsOnlyAFailedCall) {
    int reports = 0;
    const auto report = [&reports] { ++reports; };
    EXPECT_EQ(QueryMonitorScale({false, true, 192}, report), 100);  // no monitor
    EXPECT_EQ(QueryMonitorScale({true, false, 192}, report), 100);  // no facility
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(QueryMonitorScale({true, true, std::nullopt}, report), 100);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(QueryMonitorScale({true, true, 168}, report), 168);
    EXPECT_EQ(QueryMonitorScale({true, true, std::nullopt}, nullptr), 100);
    EXPECT_EQ(reports, 1);
}

TEST(DpiAwarenessTest, SmallScreensAreAwareWithoutAsking) {
    int asked = 0;
    const auto scale = [&asked] {
        ++asked;
        return 192;
    };
    EXPECT_TRUE(ShouldDeclareDpiAware(1366, 768, scale));
    EXPECT_TRUE(ShouldDeclareDpiAware(1280, 1024, scale));  // narrow only
    EXPECT_TRUE(ShouldDeclareDpiAware(1600, 768, scale));   // low only
    EXPECT_FALSE(ShouldDeclareDpiAware(2560, 1440, scale));
    EXPECT_FALSE(ShouldDeclareDpiAware(1920, 1200, scale));
    EXPECT_FALSE(ShouldDeclareDpiAware(1400, 800, scale));
    EXPECT_EQ(asked, 0);
}

TEST(DpiAwarenessTest, FullHdScreenAsksTheMonitorOnce) {
    for (const auto& [dpi, aware] :
         {std::pair{96, false}, std::pair{120, false}, std::pair{144, true}, std::pair{168, true},
          std::pair{192, true}}) {
        int asked = 0;
        const auto scale = [&asked, dpi = dpi] {
            ++asked;
            return QueryMonitorScale({true, true, dpi}, nullptr);
        };
        EXPECT_EQ(ShouldDeclareDpiAware(1920, 1080, scale), aware) << dpi;
        EXPECT_EQ(asked, 1) << dpi;
    }
}

}  // namespace
}  // namespace veltra
