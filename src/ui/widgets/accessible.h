#pragma once
// What assistive technology learns about the controls beyond their names: the role (check
// box, radio button, slider...), the check state and the value of sliders and progress bars.
class QWidget;

namespace veltra::ui {

// Registers the controls' accessible interfaces with Qt; later calls do nothing.
void InstallAccessibility();
// Tell assistive technology that a control's check state or value changed.
void ReportCheckChanged(QWidget* control);
void ReportValueChanged(QWidget* control, int value);

}  // namespace veltra::ui
