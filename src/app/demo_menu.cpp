#include "app/demo_menu.h"

#include <QString>

#include "ui/dialogs/lang_text.h"
#include "ui/dialogs/message_box.h"

namespace veltra::app {

namespace {

// Language texts of the demo menu's entries.
constexpr int kTextCable = 596;
constexpr int kTextReceiver = 597;
constexpr int kTextBluetooth = 598;
constexpr int kTextAsleep = 599;
constexpr int kTextDpiButton = 600;
constexpr int kTextReportRate = 601;
constexpr int kTextMouseState = 608;
constexpr int kTextWrites = 609;
constexpr int kTextDrain = 643;
constexpr int kTextCharge = 644;
// Steps of the battery entries: a few drains reach each low-battery threshold.
constexpr int kDrainPoints = 5;
constexpr int kChargePoints = 25;
constexpr int kTextButtons = 129;
constexpr int kTextDpi = 251;
constexpr int kTextRate = 255;

QString Hex(std::uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

// What the mouse holds, for the demo user who wants to see a change arrive.
QString StateText(const DemoMouseState& state) {
    QString keys;
    for (std::size_t slot = 0; slot < state.keys.size(); ++slot) {
        keys += QStringLiteral("%1%2: %3 %4")
                    .arg(slot % 3 == 0 ? QStringLiteral("\n") : QStringLiteral("    "))
                    .arg(slot)
                    .arg(Hex(state.keys[slot][0]), Hex(state.keys[slot][1]));
    }
    return ui::LangText(kTextButtons) + keys + QStringLiteral("\n") + ui::LangText(kTextRate) +
           QStringLiteral(": %1Hz    ").arg(state.report_rate_hz) + ui::LangText(kTextDpi) +
           QStringLiteral(": %1 (%2)\n").arg(state.dpi_level + 1).arg(state.dpi) +
           ui::LangText(kTextWrites).replace(QStringLiteral("%s"), QString::number(state.writes));
}

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
        {.text_id = kTextDrain, .run = [demo] { demo->DrainBattery(kDrainPoints); }, .checked = {}},
        {.text_id = kTextCharge,
         .run = [demo] { demo->ChargeBattery(kChargePoints); },
         .checked = {}},
        {.text_id = kTextMouseState,
         .run =
             [demo] {
                 if (const std::optional<DemoMouseState> state = demo->MouseState()) {
                     ui::ShowMessageBox(nullptr, StateText(*state), ui::LangText(kTextMouseState),
                                        ui::kMessageOk);
                 }
             },
         .checked = {}},
    };
}

}  // namespace veltra::app
