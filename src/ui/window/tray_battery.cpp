// The notification icon's battery: the icon's step and tooltip follow the worker's battery and
// connection reports, and a low battery is told once per threshold on the desktop.

#include <QFileInfo>

#include "device/device_view.h"
#include "shell/settings_key.h"
#include "ui/dialogs/lang_text.h"
#include "ui/widgets/manager.h"
#include "ui/window/desktop_notices.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"
#include "ui/window/tray_port.h"

namespace veltra::ui {

namespace text = main_window::text;

namespace {

// The tooltip field of a notification icon holds 127 characters.
constexpr int kTooltipLimit = 127;
constexpr int kTrayIconSizes[] = {24, 64};

const char* StepName(TrayBatteryStep step) {
    switch (step) {
        case TrayBatteryStep::Full:
            return "full";
        case TrayBatteryStep::Half:
            return "half";
        case TrayBatteryStep::Low:
            return "low";
        case TrayBatteryStep::Charging:
            return "charging";
        case TrayBatteryStep::Plain:
            break;
    }
    return nullptr;
}

int LinkText(ConnectionMode mode) {
    switch (mode) {
        case ConnectionMode::Wired:
            return text::kTrayCable;
        case ConnectionMode::Receiver:
            return text::kTrayReceiver;
        case ConnectionMode::Bluetooth:
            return text::kTrayBluetooth;
        case ConnectionMode::NotConnected:
            break;
    }
    return 0;
}

QString Filled(int text_id, const QString& value) {
    return LangText(text_id).replace(QStringLiteral("%s"), value);
}

}  // namespace

QString DeviceMainDlg::TrayTooltip() const {
    const QString caption = Manager::GetDeviceName();
    const auto mode = static_cast<ConnectionMode>(connection_mode_);
    if (!connected_ || LinkText(mode) == 0) {
        return caption.left(kTooltipLimit);
    }
    QStringList parts{ModelName(), LangText(LinkText(mode))};
    if (battery_ && TrayBatteryStepOf(mode, battery_) != TrayBatteryStep::Plain) {
        parts << Filled(battery_->charging ? text::kTrayLevelCharging : text::kTrayLevel,
                        QString::number(std::clamp(battery_->level, 0, 100)));
    }
    parts.removeAll(QString());
    return (caption + QLatin1Char('\n') + parts.join(QStringLiteral(" — "))).left(kTooltipLimit);
}

QString DeviceMainDlg::ModelName() const {
    for (const DeviceModelEntry& model : catalogue_.catalogue.models) {
        if (model.device_type == catalogue_.current_device_type) {
            return QString::fromStdString(model.name);
        }
    }
    return {};
}

QIcon DeviceMainDlg::TrayIcon(TrayBatteryStep step) {
    const char* name = StepName(step);
    if (name == nullptr) {
        return icon_;
    }
    QIcon& icon = tray_icons_[static_cast<std::size_t>(step)];
    if (icon.isNull()) {
        for (const int size : kTrayIconSizes) {
            const QString path =
                Manager::SkinFolder() +
                QStringLiteral("/icon/tray/battery_%1_%2.png").arg(QLatin1String(name)).arg(size);
            if (QFileInfo::exists(path)) {
                icon.addFile(path, QSize(size, size));
            }
        }
    }
    // A skin without the battery pictures keeps the program's icon.
    return icon.isNull() ? icon_ : icon;
}

void DeviceMainDlg::UpdateTrayBattery() {
    if (env_.tray == nullptr || !env_.tray->Visible()) {
        return;
    }
    const TrayBatteryStep step =
        connected_ ? TrayBatteryStepOf(static_cast<ConnectionMode>(connection_mode_), battery_)
                   : TrayBatteryStep::Plain;
    // The tray host redraws on every change; the receiver's poll repeats the same reading.
    if (step != tray_step_) {
        tray_step_ = step;
        env_.tray->SetIcon(TrayIcon(step));
    }
    const QString tooltip = TrayTooltip();
    if (tooltip != tray_tooltip_) {
        tray_tooltip_ = tooltip;
        env_.tray->SetTooltip(tooltip);
    }
}

void DeviceMainDlg::WatchLowBattery(const BatteryInfo& battery) {
    // A mouse on its cable is powered, whatever its status says: it counts as charging.
    const bool cable = static_cast<ConnectionMode>(connection_mode_) == ConnectionMode::Wired;
    const std::optional<int> threshold =
        battery_watch_.Observe(catalogue_.current_device_type,
                               {.level = battery.level, .charging = battery.charging || cable});
    if (!threshold || env_.notices == nullptr || !ReadSettingFlag(kBatteryNoticeValue, true)) {
        return;
    }
    const bool last = *threshold == kBatteryNoticeLevels.back();
    const QString level =
        Filled(text::kTrayLevel, QString::number(std::clamp(battery.level, 0, 100)));
    env_.notices->Show({
        .title = Filled(last ? text::kBatteryEmptyTitle : text::kBatteryLowTitle, ModelName()),
        .body = Filled(last ? text::kBatteryEmptyBody : text::kBatteryLowBody, level),
        .urgent = last,
    });
}

}  // namespace veltra::ui
