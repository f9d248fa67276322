#include "ui/widgets/menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>
#include <algorithm>

#include "ui/widgets/look.h"
#include "ui/widgets/manager.h"

namespace veltra::ui {
namespace {

QString MenuStyle(bool checks) {
    QString accent = look::Accent().name();
    // Square corners: without a compositor a rounded pop-up window shows black corners.
    return QStringLiteral(
               "QMenu { background: %1; color: %2; border: 1px solid %3; padding: 4px; }"
               "QMenu::item { padding: 7px 28px 7px %6px; border-radius: 4px;"
               " background: transparent; }"
               "QMenu::indicator { width: 14px; height: 14px; left: 8px; }"
               "QMenu::item:selected { background: %4; color: %2; }"
               "QMenu::item:disabled { color: %5; }")
        .arg(look::kPanel.name(), look::kText.name(), look::kBorder.name(), accent,
             look::kTextDisabled.name(), checks ? QStringLiteral("30") : QStringLiteral("14"));
}

}  // namespace

void StyleMenu(QMenu& menu, bool checks) {
    menu.setStyleSheet(MenuStyle(checks));
    menu.setFont(Manager::UiFont(14));
}

MenuWnd::MenuWnd(QWidget* owner, CommandHandler on_command)
    : owner_(owner), on_command_(std::move(on_command)) {}

MenuWnd::~MenuWnd() = default;

void MenuWnd::AddMenu(int command, const QString& text, Check check, bool enabled) {
    entries_.push_back(Entry{command, text, check, enabled});
}

bool MenuWnd::Create(const QPoint& screen_point, MenuAlign align, bool above) {
    Close();
    if (entries_.empty()) {
        return false;
    }
    auto* menu = new QMenu(owner_.data());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool checks = std::any_of(entries_.begin(), entries_.end(),
                                    [](const Entry& entry) { return entry.check != Check::None; });
    StyleMenu(*menu, checks);
    for (const Entry& entry : entries_) {
        // Texts come from language files; an ampersand there is a character, not a mnemonic.
        QString text = entry.text;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = menu->addAction(text);
        action->setData(entry.command);
        action->setCheckable(entry.check != Check::None);
        action->setChecked(entry.check == Check::Checked);
        action->setEnabled(entry.enabled);
    }
    QObject* context = owner_ ? static_cast<QObject*>(owner_.data())
                              : static_cast<QObject*>(QCoreApplication::instance());
    QObject::connect(menu, &QMenu::triggered, context,
                     [context, handler = on_command_](QAction* action) {
                         int command = action->data().toInt();
                         QTimer::singleShot(0, context, [handler, command] {
                             if (handler) {
                                 handler(command);
                             }
                         });
                     });
    QPoint at = screen_point;
    if (align == MenuAlign::Right) {
        at.rx() -= menu->sizeHint().width();
    }
    if (above) {
        at.ry() -= menu->sizeHint().height();
    }
    open_ = menu;
    menu->popup(at);
    return true;
}

void MenuWnd::Close() {
    if (open_) {
        open_->close();
    }
}

bool MenuWnd::IsOpen() const {
    return open_ && open_->isVisible();
}

}  // namespace veltra::ui
