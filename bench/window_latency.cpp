// How long a change takes to travel, both ways, with the demo mouse answering in real time:
//   slider -> mouse   from the DPI slider's release (its end-of-drag notification) to the
//                     config write leaving for the mouse;
//   button -> page    from the mouse's DPI button to the DPI page showing the new level and
//                     the pop-up showing its value.
// The config write is seen where the simulated mouse takes the new value. Each is measured 20
// times; median, 90th percentile and longest are printed. The worker's
// period (30 ms) bounds the first; the notification reader's read period the second.
//
//   window_latency    (offscreen unless QT_QPA_PLATFORM says otherwise; about 10 s)
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <vector>

#include "device/forwarding_backend.h"
#include "ui/dialogs/dpi_popup.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/events.h"
#include "ui/window/dpi_page.h"
#include "window_session.h"

namespace {

using veltra::bench::Clock;
using veltra::bench::Ms;

constexpr int kRounds = 20;

// The moment the last config-block write left for the mouse.
class WriteClock : public veltra::ForwardingBackend {
  public:
    using ForwardingBackend::ForwardingBackend;
    std::int64_t LastWrite() const { return last_write_; }

  protected:
    std::unique_ptr<veltra::HidDevice> Opened(const std::string&,
                                              std::unique_ptr<veltra::HidDevice> device) override {
        return device ? std::make_unique<Device>(std::move(device), last_write_) : nullptr;
    }

  private:
    class Device : public veltra::ForwardingDevice {
      public:
        Device(std::unique_ptr<veltra::HidDevice> inner, std::atomic<std::int64_t>& last_write)
            : ForwardingDevice(std::move(inner)), last_write_(last_write) {}

      protected:
        void Written(std::span<const std::uint8_t> data, int) override {
            // Report id, 0x55 0xAA, then the command.
            if (data.size() > 3 && data[3] == 0x02) {
                last_write_ = Clock::now().time_since_epoch().count();
            }
        }

      private:
        std::atomic<std::int64_t>& last_write_;
    };

    std::atomic<std::int64_t> last_write_{0};
};

void Print(const char* name, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-16s median %6.1f ms   p90 %6.1f ms   longest %6.1f ms   (%zu runs)\n", name,
                values[values.size() / 2], values[values.size() * 9 / 10], values.back(),
                values.size());
}

// Runs the event loop, looking at `done` every millisecond, until it holds; false after 5 s.
bool RunUntilPrecise(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(std::chrono::seconds(5), &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    veltra::bench::UseTemporaryHome("window_latency");
    QApplication::setApplicationName(QStringLiteral("veltra-mouse"));
    QApplication application(argc, argv);
    WriteClock* writes = nullptr;
    veltra::bench::WindowSession session(1.0, [&writes](std::unique_ptr<veltra::HidBackend> inner) {
        auto clock = std::make_unique<WriteClock>(std::move(inner));
        writes = clock.get();
        return clock;
    });
    veltra::ui::DeviceMainDlg& window = session.Window();
    if (!window.CreateMain()) {
        std::fprintf(stderr, "the window cannot be created\n");
        return 1;
    }
    veltra::bench::ReportWatch reports(window);
    if (!veltra::bench::ShowAndSync(session, reports)) {
        return 1;
    }
    veltra::sim::SimulatedBackend& bus = session.Bus();
    auto* levels = window.Get<veltra::ui::DPIControl>(veltra::ui::dpi_page::kLevels);
    auto* slider = window.Get<veltra::ui::DPISlider>(veltra::ui::dpi_page::kSlider);

    std::vector<double> to_mouse;
    std::vector<double> busy;
    for (int round = 0; round < kRounds; ++round) {
        const std::int64_t before = writes->LastWrite();
        const int reports_before = reports.Count();
        const int position = 20 + round % 2 * 10;
        slider->SetProgress(slider->GetLowerLimit() + position);
        const Clock::time_point released = Clock::now();
        window.Notify(*slider, veltra::ui::Event::Action, position);
        if (!veltra::bench::RunUntil([&] { return writes->LastWrite() != before; },
                                     std::chrono::seconds(5))) {
            std::fprintf(stderr, "the slider's value did not reach the mouse\n");
            return 1;
        }
        to_mouse.push_back(Ms(Clock::time_point(Clock::duration(writes->LastWrite())) - released));
        // The mouse answers no write; the worker reads for its answer until it gives up, and
        // only then reports the task done and reads the mouse's notifications again.
        if (!veltra::bench::RunUntil([&] { return reports.Count() > reports_before; },
                                     std::chrono::seconds(10))) {
            std::fprintf(stderr, "the write did not end\n");
            return 1;
        }
        busy.push_back(Ms(reports.Last() - released));
        veltra::bench::RunFor(std::chrono::milliseconds(50));
    }

    std::vector<double> to_page;
    veltra::ui::DPIMsgDlg* popup = window.DpiPopup();
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point pressed = Clock::now();
        if (!bus.PressDpiButton(session.Mouse())) {
            std::fprintf(stderr, "the DPI button cannot be pressed\n");
            return 1;
        }
        const int active = bus.Firmware(session.Mouse()).ActiveDpiLevel();
        const bool shown = RunUntilPrecise([&] {
            return levels->GetSelectItem() == active &&
                   popup->Value() == levels->GetDPIValue(active) &&
                   (popup->isVisible() || popup->ShownInsideOwner());
        });
        if (!shown) {
            std::fprintf(stderr, "the page did not follow the DPI button\n");
            return 1;
        }
        to_page.push_back(Ms(Clock::now() - pressed));
        veltra::bench::RunFor(std::chrono::milliseconds(50));
    }
    Print("slider -> mouse", to_mouse);
    Print("slider -> done", busy);
    Print("button -> page", to_page);
    return 0;
}
