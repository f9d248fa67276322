// Wake-ups per second of the whole window program while its window sits hidden in the
// notification area: the real main window over the demo mouse on its cable (answering in real
// time), a notification area that takes the icon, offscreen. The program settings say "hide on
// close" and the window is closed as the user would close it, once the start-up synchronisation
// is done; after two seconds to settle, the voluntary and involuntary context switches of every
// thread (/proc/self/task/*/status) are counted over the measured time. Nothing in this program
// runs meanwhile: a single timer ends the count.
//
// The threads are told apart by when they appear: the device link's simulated bus brings the
// hot-plug thread, the window's start brings the worker; they are renamed so that top and ps
// show them as well. Any other thread keeps its own name.
//
//   window_wakeups [seconds]   (10 s unless given)
#include <QApplication>
#include <QTimer>
#include <map>

#include "shell/settings_key.h"
#include "window_session.h"

namespace {

using veltra::bench::Clock;
using veltra::bench::Ms;

std::set<long> Added(const std::set<long>& before, const std::set<long>& after) {
    std::set<long> added;
    for (long id : after) {
        if (before.count(id) == 0) {
            added.insert(id);
        }
    }
    return added;
}

void NameAll(const std::set<long>& ids, const std::string& name) {
    int n = 0;
    for (long id : ids) {
        veltra::bench::NameThread(id, ids.size() == 1 ? name : name + std::to_string(++n));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::filesystem::path home = veltra::bench::UseTemporaryHome("window_wakeups");
    QApplication::setApplicationName(QStringLiteral("veltra-mouse"));
    QApplication application(argc, argv);
    const long ui_thread = veltra::bench::ThreadId();
    veltra::bench::NameThread(ui_thread, "ui");
    {
        const std::set<long> at_start = veltra::bench::ThreadIds();
        veltra::bench::WindowSession session(1.0);
        const std::set<long> with_bus = veltra::bench::ThreadIds();
        NameAll(Added(at_start, with_bus), "hotplug");
        veltra::ui::DeviceMainDlg& window = session.Window();
        if (!window.CreateMain()) {
            std::fprintf(stderr, "the window cannot be created\n");
            return 1;
        }
        NameAll(Added(with_bus, veltra::bench::ThreadIds()), "worker");
        veltra::bench::ReportWatch reports(window);
        if (!veltra::bench::ShowAndSync(session, reports)) {
            return 1;
        }
        veltra::WriteSettingValue(veltra::kExitModeValue, "1");
        window.close();
        if (window.isVisible() || window.ShutDown()) {
            std::fprintf(stderr, "the closed window did not hide into the notification area\n");
            return 1;
        }
        veltra::bench::RunFor(std::chrono::seconds(2));

        std::map<long, long> before;
        for (long id : veltra::bench::ThreadIds()) {
            before[id] = veltra::bench::ThreadSwitches(id);
        }
        const int reports_before = reports.Count();
        const Clock::time_point begun = Clock::now();
        veltra::bench::RunFor(std::chrono::seconds(seconds));
        const double elapsed = Ms(Clock::now() - begun) / 1000.0;

        long total = 0;
        std::printf("hidden window, %.1f s:\n", elapsed);
        for (long id : veltra::bench::ThreadIds()) {
            const long now = veltra::bench::ThreadSwitches(id);
            const long switches = now - (before.count(id) != 0 ? before[id] : 0);
            total += switches;
            std::printf("  %-16s %6ld switches  %7.1f/s\n", veltra::bench::ThreadName(id).c_str(),
                        switches, static_cast<double>(switches) / elapsed);
        }
        std::printf("  %-16s %6ld switches  %7.1f/s\n", "whole process", total,
                    static_cast<double>(total) / elapsed);
        std::printf("  worker reports to the window: %d; animation timer %s\n",
                    reports.Count() - reports_before,
                    window.AnimationRunning() ? "RUNNING" : "stopped");
        window.Shutdown(0);
    }
    std::filesystem::remove_all(home);
    return 0;
}
