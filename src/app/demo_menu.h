#pragma once
// The demo menu of `veltra-mouse --demo`: plug and unplug the simulated mouse's links, put it
// to sleep behind its receiver, press its DPI button, change its report rate, drain and charge
// its battery, so every flow of the window can be seen without hardware.

#include <memory>
#include <vector>

#include "frontend/demo_controls.h"
#include "ui/window/device_main_dlg.h"

namespace veltra::app {

std::vector<ui::ExtraMenuEntry> DemoMenuEntries(const std::shared_ptr<DemoControls>& demo);

}  // namespace veltra::app
