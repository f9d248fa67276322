// Cold start of the main window: from the start of the process to the first frame it paints,
// offscreen, over the demo mouse answering in real time, composed as the program composes it.
//
// The program starts itself again (posix_spawn of /proc/self/exe) and the new process measures:
//   exec      from the spawn to the end of the first frame: loading, static set-up, everything;
//   stat      the same from the kernel's start time of the process (/proc/self/stat, 10 ms ticks);
//   main      from the first line of main to the end of the first frame;
// and the phases of main: QApplication, composition (configuration, folders, device link),
// CreateMain (controls, catalogue, tray, worker start), show, first paint event (the window's
// own paint event begins), frame (the event loop's next turn after it: every control painted
// and the backing store flushed); widgets counts the window's widgets painted in that frame.
//
//   window_start            one start (a fresh user unless XDG_DATA_HOME is set); prints one
//                           line of name=milliseconds pairs
//   bench/window_start.sh   many starts and their min/median/max
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <QApplication>
#include <QTimer>
#include <cstring>
#include <string>

#include "window_session.h"

extern char** environ;

namespace {

using veltra::bench::Clock;
using veltra::bench::Ms;

// Spawns this program with the spawn time, waits and passes on its exit status. Without
// user folders from the caller, the start gets a fresh user of its own.
int SpawnMeasured(char* program) {
    std::optional<std::filesystem::path> home;
    if (std::getenv("XDG_DATA_HOME") == nullptr) {
        home = veltra::bench::UseTemporaryHome("window_start");
    }
    const long long stamp = Clock::now().time_since_epoch().count();
    std::string stamp_text = std::to_string(stamp);
    char child_flag[] = "--child";
    char* arguments[] = {program, child_flag, stamp_text.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, arguments, environ) != 0) {
        std::perror("posix_spawn");
        return 1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (home) {
        std::filesystem::remove_all(*home);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Milliseconds since this process was started, by the kernel's account.
double MsSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Field 22 (starttime) counts from the closing parenthesis of the command name (field 2).
    std::size_t at = stat.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field) {
        at = stat.find(' ', at + 1);
    }
    if (at == std::string::npos) {
        return -1;
    }
    const double start_s =
        std::strtod(stat.c_str() + at + 1, nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - start_s) *
           1000.0;
}

// Notes the window's first paint event, then the event loop's next turn after it, and counts
// the widgets of the window painted until then (the frame holds every visible control).
class FirstFrame : public QObject {
  public:
    explicit FirstFrame(QWidget& window) : window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    std::optional<Clock::time_point> paint;
    std::optional<Clock::time_point> frame;
    double since_process_start = -1;
    int painted = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || frame) {
            return false;
        }
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != &window_) {
            return false;
        }
        ++painted;
        if (!paint) {
            paint = Clock::now();
            QTimer::singleShot(0, this, [this] {
                frame = Clock::now();
                since_process_start = MsSinceProcessStart();
                QCoreApplication::instance()->removeEventFilter(this);
                QCoreApplication::quit();
            });
        }
        return false;
    }

  private:
    QWidget& window_;
};

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point entered = Clock::now();
    if (argc != 3 || std::strcmp(argv[1], "--child") != 0) {
        return SpawnMeasured(argv[0]);
    }
    const Clock::time_point spawned{Clock::duration(std::strtoll(argv[2], nullptr, 10))};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication::setApplicationName(QStringLiteral("veltra-mouse"));
    int qt_argc = 1;
    QApplication application(qt_argc, argv);
    const Clock::time_point application_made = Clock::now();

    veltra::bench::WindowSession session(1.0);
    const Clock::time_point composed = Clock::now();
    veltra::ui::DeviceMainDlg& window = session.Window();
    if (!window.CreateMain()) {
        std::fprintf(stderr, "the window cannot be created\n");
        return 1;
    }
    const Clock::time_point created = Clock::now();
    FirstFrame first(window);
    window.ShowWindow(veltra::ui::kShow);
    const Clock::time_point shown = Clock::now();
    QTimer::singleShot(10000, &application, &QApplication::quit);
    QApplication::exec();
    if (!first.frame) {
        std::fprintf(stderr, "no paint event within 10 s\n");
        return 1;
    }
    std::printf(
        "exec=%.1f stat=%.1f main=%.1f qapplication=%.1f compose=%.1f create=%.1f show=%.1f "
        "paint=%.1f frame=%.1f widgets=%d\n",
        Ms(*first.frame - spawned), first.since_process_start, Ms(*first.frame - entered),
        Ms(application_made - entered), Ms(composed - application_made), Ms(created - composed),
        Ms(shown - created), Ms(*first.paint - shown), Ms(*first.frame - *first.paint),
        first.painted);
    return 0;
}
