// The user-interface thread's longest stall while the device worker writes the settings and
// runs complete synchronisations: the window over the demo mouse answering in real time, with
// the worker's real pauses, offscreen. The worker, never the window, should wait on the mouse.
//
// Once the start-up synchronisation is done, the run queues a settings write (DpiWrite), then
// unplugs the mouse's cable (the worker reads the whole mouse again through its receiver) and
// plugs it back (read again on the cable), waiting each time until the worker's reports have
// stopped. Meanwhile two figures are taken on the UI thread:
//   tick gap   the gaps between the ticks of a 1 ms precise timer (1 ms when nothing stalls);
//   work       the thread's processor time between two waits of its event loop (the event
//              dispatcher's aboutToBlock()): what the window computes in one go, without the
//              time other processes took the processor away (machine load).
// Each is given as longest, 99th percentile and median.
//
//   window_stall    (offscreen unless QT_QPA_PLATFORM says otherwise; about 15 s)
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
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

// The calling thread's processor time.
Clock::duration ThreadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The scheduler's account of the calling thread: how long it waited, ready to run, for a
// processor (/proc/thread-self/schedstat) and how often it waited of its own accord. A gap spent in
// the run queue is the machine's load; a gap spent neither computing nor there is a wait of the
// thread's own (a lock, the disk, a sleep).
class SchedulerAccount {
  public:
    SchedulerAccount() : schedstat_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {}
    ~SchedulerAccount() {
        if (schedstat_ >= 0) {
            ::close(schedstat_);
        }
    }
    SchedulerAccount(const SchedulerAccount&) = delete;
    SchedulerAccount& operator=(const SchedulerAccount&) = delete;

    Clock::duration Queued() const {
        char text[96] = {};
        if (schedstat_ < 0 || ::pread(schedstat_, text, sizeof text - 1, 0) <= 0) {
            return {};
        }
        char* end = nullptr;
        std::strtoull(text, &end, 10);
        return std::chrono::nanoseconds(std::strtoull(end, nullptr, 10));
    }

    // Page faults that waited for the disk, and the thread's own waits (each wait of the event
    // loop is one; more in one gap are waits for something else: a lock, the disk).
    struct Waits {
        long major_faults = 0;
        long voluntary = 0;
    };
    static Waits Now() {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return {usage.ru_majflt, usage.ru_nvcsw};
    }

  private:
    int schedstat_;
};

// One gap between two ticks: where it began (seconds into the run), how long the thread
// computed in it, how long it waited, ready, for a processor, and how often it waited for the
// disk to page something in; the rest it was asleep.
struct Gap {
    double length = 0;
    double at = 0;
    double computing = 0;
    double queued = 0;
    long major_faults = 0;
    long waits = 0;
};

// Tick gaps and work between waits of the thread it is made on, while started.
class StallMeter {
  public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            const Clock::duration cpu = ThreadCpu();
            const Clock::duration queued = account_.Queued();
            const SchedulerAccount::Waits waits = SchedulerAccount::Now();
            if (last_tick_) {
                gaps_.push_back({.length = Ms(now - *last_tick_),
                                 .at = Ms(*last_tick_ - started_) / 1000.0,
                                 .computing = Ms(cpu - last_tick_cpu_),
                                 .queued = Ms(queued - last_tick_queued_),
                                 .major_faults = waits.major_faults - last_tick_waits_.major_faults,
                                 .waits = waits.voluntary - last_tick_waits_.voluntary});
            }
            last_tick_ = now;
            last_tick_cpu_ = cpu;
            last_tick_queued_ = queued;
            last_tick_waits_ = waits;
        });
        // The dispatcher announces each wait; what the thread computed since the last one is the
        // work it did without being able to wait (timers, posted calls, painting).
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, [this] {
                             const Clock::duration cpu = ThreadCpu();
                             if (running_) {
                                 const double work = Ms(cpu - last_block_cpu_);
                                 work_.push_back(work);
                                 if (work > longest_work_) {
                                     longest_work_ = work;
                                     longest_work_at_ = Ms(Clock::now() - started_) / 1000.0;
                                 }
                             }
                             last_block_cpu_ = cpu;
                         });
    }

    void Start() {
        running_ = true;
        started_ = Clock::now();
        last_block_cpu_ = ThreadCpu();
        timer_.start();
    }
    void Stop() {
        running_ = false;
        timer_.stop();
    }
    Spread Gaps() const {
        std::vector<double> lengths;
        for (const Gap& gap : gaps_) {
            lengths.push_back(gap.length);
        }
        return SpreadOf(lengths);
    }
    std::vector<Gap> LongestGaps(std::size_t count) const {
        std::vector<Gap> gaps = gaps_;
        std::sort(gaps.begin(), gaps.end(),
                  [](const Gap& a, const Gap& b) { return a.length > b.length; });
        gaps.resize(std::min(count, gaps.size()));
        return gaps;
    }
    Spread Work() const { return SpreadOf(work_); }
    double LongestWorkAt() const { return longest_work_at_; }
    double Since(Clock::time_point at) const { return Ms(at - started_) / 1000.0; }

  private:
    QTimer timer_;
    SchedulerAccount account_;
    bool running_ = false;
    Clock::time_point started_;
    std::optional<Clock::time_point> last_tick_;
    Clock::duration last_tick_cpu_{};
    Clock::duration last_tick_queued_{};
    SchedulerAccount::Waits last_tick_waits_;
    Clock::duration last_block_cpu_{};
    std::vector<Gap> gaps_;
    std::vector<double> work_;
    double longest_work_ = 0;
    double longest_work_at_ = 0;
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
        const Clock::time_point opened = Clock::now();
        if (!veltra::bench::ShowAndSync(session, reports)) {
            return 1;
        }
        std::printf("start-up synchronisation: %.0f ms\n", Ms(reports.Last() - opened));

        StallMeter meter;
        const Clock::time_point begun = Clock::now();
        meter.Start();
        // Every step ends when the worker has reported nothing for longer than its own pauses
        // (1 s before a removal is handled, 1.5 s before an arrival).
        const auto step = [&](const char* name, const std::function<void()>& action) {
            const Clock::time_point at = Clock::now();
            const int before = reports.Count();
            action();
            const bool quiet = veltra::bench::RunUntil([&] { return reports.Count() > before; },
                                                       std::chrono::seconds(10)) &&
                               reports.WaitQuiet(std::chrono::seconds(3), std::chrono::seconds(60));
            std::printf("  at %4.1f s  %-20s %3d reports, the last %4.0f ms after it%s\n",
                        meter.Since(at), name, reports.Count() - before, Ms(reports.Last() - at),
                        quiet ? "" : " (never went quiet)");
            code = quiet ? code : 1;
        };
        step("settings write", [&] { window.Worker().QueueTask(veltra::TaskCode::DpiWrite); });
        step("cable unplugged", [&] { session.Bus().Unplug(session.WiredDevice()); });
        step("cable plugged again", [&] { session.Bus().Replug(session.WiredDevice()); });
        meter.Stop();
        const double seconds = Ms(Clock::now() - begun) / 1000.0;
        const Spread gaps = meter.Gaps();
        const Spread work = meter.Work();
        std::printf("over %.1f s of worker activity, on the UI thread:\n", seconds);
        std::printf(
            "  1 ms timer gap:    longest %.2f ms, p99 %.2f ms, median %.2f ms (%zu ticks)\n",
            gaps.longest, gaps.p99, gaps.median, gaps.count);
        for (const Gap& gap : meter.LongestGaps(5)) {
            std::printf(
                "    %6.2f ms at %5.2f s: %5.2f computing, %5.2f waiting for a processor, %5.2f "
                "asleep in %ld waits (%ld for the disk)\n",
                gap.length, gap.at, gap.computing, gap.queued,
                gap.length - gap.computing - gap.queued, gap.waits, gap.major_faults);
        }
        std::printf(
            "  work between waits: longest %.2f ms (at %.1f s), p99 %.3f ms, median %.3f ms (%zu "
            "waits)\n",
            work.longest, meter.LongestWorkAt(), work.p99, work.median, work.count);
        window.Shutdown(0);
    }
    std::filesystem::remove_all(home);
    return code;
}
