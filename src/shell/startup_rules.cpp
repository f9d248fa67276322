#include "shell/startup_rules.h"

namespace veltra {
namespace {

constexpr int kDefaultDpi = 96;

}  // namespace

int MonitorScaleFromDpi(int horizontal_dpi) {
    switch (horizontal_dpi) {
        case 120:
            return 125;
        case 144:
        case 168:
        case 192:
            return horizontal_dpi;
        default:
            return 100;
    }
}

int QueryMonitorScale(const MonitorDpiQuery& query, const std::function<void()>& report_failure) {
    if (!query.has_monitor) {
        return 100;
    }
    int dpi = kDefaultDpi;
    if (query.facility_present) {
        if (query.effective_dpi) {
            dpi = *query.effective_dpi;
        } else if (report_failure) {
            report_failure();
        }
    }
    return MonitorScaleFromDpi(dpi);
}

bool ShouldDeclareDpiAware(int screen_width, int screen_height,
                           const std::function<int()>& query_monitor_scale) {
    if (screen_width < 1400 || screen_height < 800) {
        return true;
    }
    return screen_width == 1920 && screen_height == 1080 && query_monitor_scale &&
           query_monitor_scale() > 125;
}

}  // namespace veltra
