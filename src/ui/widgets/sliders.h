#pragma once
// Value controls: sliders and progress bars.
#include "ui/widgets/control.h"

namespace veltra::ui {

// A progress bar in the theme colour.
class MProgress : public MControl {
  public:
    MProgress(MDialog& owner, QWidget* parent, int id);
    void SetMaxValue(int maximum);
    void SetValue(int value);
    int GetValue() const { return value_; }
    int GetMaxValue() const { return maximum_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int maximum_ = 100;
    int value_ = 0;
};

}  // namespace veltra::ui
