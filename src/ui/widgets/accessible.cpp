#include "ui/widgets/accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <optional>

#include "ui/widgets/buttons.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/sliders.h"

namespace veltra::ui {
namespace {

struct Range {
    int value;
    int minimum;
    int maximum;
};

class ControlInterface : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    ControlInterface(QWidget* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (std::optional<bool> checked = Checked()) {
            state.checkable = true;
            state.checked = *checked;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface && Values()) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return Values() ? Values()->value : 0; }
    // Values change through the control's own input, which reports them to the dialog.
    void setCurrentValue(const QVariant& value) override { (void)value; }
    QVariant maximumValue() const override { return Values() ? Values()->maximum : 0; }
    QVariant minimumValue() const override { return Values() ? Values()->minimum : 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    std::optional<bool> Checked() const {
        QWidget* control = widget();
        if (auto* box = dynamic_cast<CCheckButton*>(control)) {
            return box->GetCheck();
        }
        if (auto* member = dynamic_cast<GroupButton*>(control)) {
            return member->GetCheck();
        }
        if (auto* toggle = dynamic_cast<MButton3*>(control)) {
            return toggle->GetCheck();
        }
        return std::nullopt;
    }

    std::optional<Range> Values() const {
        QWidget* control = widget();
        if (auto* slider = dynamic_cast<MSlider*>(control)) {
            return Range{slider->GetValue(), slider->GetMinValue(), slider->GetMaxValue()};
        }
        if (auto* bar = dynamic_cast<MProgress*>(control)) {
            return Range{bar->GetValue(), 0, bar->GetMaxValue()};
        }
        return std::nullopt;
    }
};

std::optional<QAccessible::Role> RoleOf(QWidget* control) {
    if (dynamic_cast<CCheckButton*>(control) != nullptr) {
        return QAccessible::CheckBox;
    }
    if (dynamic_cast<GroupButton*>(control) != nullptr) {
        return QAccessible::RadioButton;
    }
    if (dynamic_cast<CTextButton*>(control) != nullptr) {
        return QAccessible::Link;
    }
    if (dynamic_cast<ClickableControl*>(control) != nullptr) {
        return QAccessible::Button;
    }
    if (dynamic_cast<MSlider*>(control) != nullptr) {
        return QAccessible::Slider;
    }
    if (dynamic_cast<MProgress*>(control) != nullptr) {
        return QAccessible::ProgressBar;
    }
    if (dynamic_cast<CGifPicture*>(control) != nullptr) {
        return QAccessible::Animation;
    }
    if (dynamic_cast<MText*>(control) != nullptr) {
        return QAccessible::StaticText;
    }
    if (dynamic_cast<MPicture*>(control) != nullptr) {
        return QAccessible::Graphic;
    }
    return std::nullopt;
}

QAccessibleInterface* MakeInterface(const QString& class_name, QObject* object) {
    (void)class_name;
    auto* control = dynamic_cast<MControl*>(object);
    if (control == nullptr) {
        return nullptr;
    }
    std::optional<QAccessible::Role> role = RoleOf(control);
    return role ? new ControlInterface(control, *role) : nullptr;
}

}  // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&MakeInterface);
        return true;
    }();
    (void)installed;
}

void ReportCheckChanged(QWidget* control) {
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void ReportValueChanged(QWidget* control, int value) {
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

}  // namespace veltra::ui
