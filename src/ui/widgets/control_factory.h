#pragma once
// Controls are made by class name, as the pages name them.
#include <QWidget>
#include <string_view>
#include <vector>

namespace veltra::ui {

class MControl;
class MDialog;

// A new control of `class_name` with `parent` as its widget parent, or nullptr when the class
// is unknown.
MControl* MakeControl(std::string_view class_name, MDialog& owner, QWidget* parent, int id);
// Every class name MakeControl knows.
std::vector<std::string_view> ControlClassNames();

}  // namespace veltra::ui
