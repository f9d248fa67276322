// The user-interface thread's longest stall while the device worker writes the settings and
// runs complete synchronisations: the window over the demo mouse answering in real time, with
// the worker's real pauses, offscreen. The worker, never the window, should wait on the mouse.
//
// Once the start-up synchronisation is done, the run queues a settings write (DpiWrite), then
// unplugs the mouse's cable (the worker reads the whole mouse again through its receiver) and
// plugs it back (read again on the cable), waiting each time until the worker's reports have
// stopped. Meanwhile two figures are taken on the UI thread:
//   tick gap   the gaps between the ticks of a 1 ms precise timer (1 ms when nothing stalls);
//   busy       how long each event-loop iteration ran between waking and blocking again, from
//              the event dispatcher's awake() and aboutToBlock() signals.
// Each is given as longest, 99th percentile and median.
//
//   window_stall    (offscreen unless QT_QPA_PLATFORM says otherwise; about 15 s)
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "window_session.h"

namespace {

using veltra::bench::Clock;
using veltra::bench::Ms;

struct Spread {
    double longest = 0;
    double p99 = 0;
    double median = 0;
    std::size_t count = 0;
};

Spread SpreadOf(std::vector<double> values) {
    Spread spread;
    spread.count = values.size();
    if (values.empty()) {
        return spread;
    }
    std::sort(values.begin(), values.end());
    spread.longest = values.back();
    spread.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
    spread.median = values[values.size() / 2];
    return spread;
}

// Tick gaps and busy iterations of the thread it is made on, while Recording().
class StallMeter {
  public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            if (last_tick_) {
                gaps_.push_back(Ms(now - *last_tick_));
            }
            last_tick_ = now;
        });
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake,
                         [this] { awake_ = Clock::now(); });
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
            if (recording_ && awake_) {
                const double busy = Ms(Clock::now() - *awake_);
                busy_.push_back(busy);
                if (busy > longest_busy_) {
                    longest_busy_ = busy;
                    longest_busy_at_ = Clock::now();
                }
            }
            awake_.reset();
        });
    }

    void Start() {
        recording_ = true;
        started_ = Clock::now();
        timer_.start();
    }
    void Stop() {
        recording_ = false;
        timer_.stop();
    }
    Spread Gaps() const { return SpreadOf(gaps_); }
    Spread Busy() const { return SpreadOf(busy_); }
    // Seconds into the run of the longest busy iteration.
    double LongestBusyAt() const { return Ms(longest_busy_at_ - started_) / 1000.0; }

  private:
    QTimer timer_;
    bool recording_ = false;
    Clock::time_point started_;
    std::optional<Clock::time_point> last_tick_;
    std::optional<Clock::time_point> awake_;
    std::vector<double> gaps_;
    std::vector<double> busy_;
    double longest_busy_ = 0;
    Clock::time_point longest_busy_at_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::filesystem::path home = veltra::bench::UseTemporaryHome("window_stall");
    QApplication::setApplicationName(QStringLiteral("veltra-mouse"));
    QApplication application(argc, argv);
    int code = 0;
    {
        veltra::bench::WindowSession session(1.0);
        veltra::ui::DeviceMainDlg& window = session.Window();
        if (!window.CreateMain()) {
            std::fprintf(stderr, "the window cannot be created\n");
            return 1;
        }
        veltra::bench::ReportWatch reports(window);
        window.ShowWindow(veltra::ui::kShow);
        const Clock::time_point opened = Clock::now();
        if (!veltra::bench::RunUntil([&] { return session.Connected(); },
                                     std::chrono::seconds(60)) ||
            !reports.WaitQuiet(std::chrono::seconds(1), std::chrono::seconds(30))) {
            std::fprintf(stderr, "the start-up synchronisation did not end\n");
            return 1;
        }
        std::printf("start-up synchronisation: %.0f ms\n", Ms(reports.Last() - opened));

        StallMeter meter;
        meter.Start();
        const Clock::time_point begun = Clock::now();
        // Every step ends when the worker has reported nothing for longer than its own pauses
        // (1 s before a removal is handled, 1.5 s before an arrival).
        const auto step = [&](const char* name, const std::function<void()>& action) {
            const Clock::time_point at = Clock::now();
            const int before = reports.Count();
            action();
            const bool quiet = veltra::bench::RunUntil([&] { return reports.Count() > before; },
                                                       std::chrono::seconds(10)) &&
                               reports.WaitQuiet(std::chrono::seconds(3), std::chrono::seconds(60));
            std::printf("  %-22s %5d reports, last %.0f ms after the action%s\n", name,
                        reports.Count() - before, Ms(reports.Last() - at),
                        quiet ? "" : " (never went quiet)");
            code = quiet ? code : 1;
        };
        step("settings write", [&] { window.Worker().QueueTask(veltra::TaskCode::DpiWrite); });
        step("cable unplugged", [&] { session.Bus().Unplug(session.WiredDevice()); });
        step("cable plugged again", [&] { session.Bus().Replug(session.WiredDevice()); });
        meter.Stop();
        const double seconds = Ms(Clock::now() - begun) / 1000.0;
        const Spread gaps = meter.Gaps();
        const Spread busy = meter.Busy();
        std::printf("over %.1f s of worker activity:\n", seconds);
        std::printf("  1 ms timer gap:  longest %.2f ms, p99 %.2f ms, median %.2f ms (%zu ticks)\n",
                    gaps.longest, gaps.p99, gaps.median, gaps.count);
        std::printf(
            "  busy iteration:  longest %.2f ms (at %.1f s), p99 %.3f ms, median %.3f ms (%zu "
            "iterations)\n",
            busy.longest, meter.LongestBusyAt(), busy.p99, busy.median, busy.count);
        window.Shutdown(0);
    }
    std::filesystem::remove_all(home);
    return code;
}
