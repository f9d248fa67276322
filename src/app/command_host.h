#pragma once
// The window carries veltractl's commands out while it runs (cli/window_route.h): a command
// request from the single-instance socket becomes one task of the device worker, and its reply
// goes back from the user-interface thread.

#include "cli/window_route.h"
#include "shell/instance_channel.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/single_instance.h"

namespace veltra::app {

// User-interface thread. `window` outlives its worker, which drops a call still waiting when it
// stops; the socket then closes with the program and the sender says so.
void CarryOutCommand(ui::DeviceMainDlg& window, const cli::WindowLink& link,
                     InstanceRequest request, ui::SingleInstance::Reply reply);

}  // namespace veltra::app
