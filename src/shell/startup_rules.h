#pragma once

// The start-up decisions about the screen, kept free of any window system so that they can be
// checked without one. The caller gathers the facts (screen size, the monitor's DPI) and acts on
// the answers.

#include <functional>
#include <optional>
#include <string_view>

namespace veltra {

// The notice shown when the monitor's DPI cannot be asked for.
inline constexpr std::string_view kMonitorScaleFailureText = "GetDpiForMonitor failed";
inline constexpr std::string_view kMonitorScaleFailureTitle = "Notification";

// The scale in percent for a horizontal DPI: up to 96 -> 100, 120 -> 125, and 144, 168 and 192
// as themselves. Every other value reads as 100, so odd DPIs never make the process DPI-aware.
int MonitorScaleFromDpi(int horizontal_dpi);

// What the window system answered about the monitor at the screen's top-left corner.
struct MonitorDpiQuery {
    bool has_monitor = false;
    // Whether the per-monitor DPI query exists at all on this system.
    bool facility_present = false;
    // The effective horizontal DPI; nullopt when the query existed but failed.
    std::optional<int> effective_dpi;
};

// The monitor's scale in percent. A missing monitor gives 100 and a missing facility reads as
// 96 DPI. A failed query calls `report_failure` (which shows the notice above) and then reads
// as 96 DPI.
int QueryMonitorScale(const MonitorDpiQuery& query, const std::function<void()>& report_failure);

// Whether the process declares itself DPI-aware for a primary screen of this size in pixels:
// small screens always, and a 1920 x 1080 screen only when its monitor is scaled above 125 %.
// `query_monitor_scale` is called only for a 1920 x 1080 screen, since asking may show a notice.
bool ShouldDeclareDpiAware(int screen_width, int screen_height,
                           const std::function<int()>& query_monitor_scale);

}  // namespace veltra
