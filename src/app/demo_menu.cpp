#include "app/demo_menu.h"

namespace veltra::app {

namespace {

// Language texts of the demo menu's entries.
constexpr int kTextCable = 596;
constexpr int kTextReceiver = 597;
constexpr int kTextBluetooth = 598;
constexpr int kTextAsleep = 599;
constexpr int kTextDpiButton = 600;
constexpr int kTextReportRate = 601;

ui::ExtraMenuEntry LinkEntry(const std::shared_ptr<DemoControls>& demo, DemoLink link, int text) {
    return {
        .text_id = text,
        .run = [demo, link] { demo->SetPlugged(link, !demo->IsPlugged(link)); },
        .checked = [demo, link] { return std::optional<bool>(demo->IsPlugged(link)); },
        .enabled = demo->Available(link),
    };
}

}  // namespace

std::vector<ui::ExtraMenuEntry> DemoMenuEntries(const std::shared_ptr<DemoControls>& demo) {
    return {
        LinkEntry(demo, DemoLink::Cable, kTextCable),
        LinkEntry(demo, DemoLink::Receiver, kTextReceiver),
        LinkEntry(demo, DemoLink::Bluetooth, kTextBluetooth),
        {
            .text_id = kTextAsleep,
            .run = [demo] { demo->SetAsleep(!demo->Asleep()); },
            .checked = [demo] { return std::optional<bool>(demo->Asleep()); },
        },
        {.text_id = kTextDpiButton, .run = [demo] { demo->PressDpiButton(); }, .checked = {}},
        {.text_id = kTextReportRate, .run = [demo] { demo->CycleReportRate(); }, .checked = {}},
    };
}

}  // namespace veltra::app
