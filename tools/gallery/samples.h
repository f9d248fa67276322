#pragma once
// What the gallery puts into each control class so that it shows something real.
#include <QSize>
#include <string_view>

namespace veltra::ui {
class MControl;
}

namespace veltra::gallery {

struct Sample {
    QSize size{160, 32};
    bool checkable = false;  // has a checked state worth a column of its own
};

// The size and kind of a class's sample.
Sample SampleFor(std::string_view class_name);
// Fills `control` with texts and values of the current language.
void FillSample(std::string_view class_name, ui::MControl& control);
// Puts a checkable control into its checked state.
void CheckSample(ui::MControl& control);

}  // namespace veltra::gallery
