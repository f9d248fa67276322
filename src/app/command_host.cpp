#include "app/command_host.h"

#include <utility>

#include "device/device_worker.h"
#include "ui/widgets/ui_thread.h"

namespace veltra::app {

void CarryOutCommand(ui::DeviceMainDlg& window, const cli::WindowLink& link,
                     InstanceRequest request, ui::SingleInstance::Reply reply) {
    window.Worker().QueueExternalCall([&window, link, request = std::move(request),
                                       reply = std::move(reply)](DeviceState& state) {
        const std::string line = EncodeCommandReply(cli::CarryOutForWindow(request, link, state));
        ui::PostTo(&window, [reply, line] { reply(line); });
    });
}

}  // namespace veltra::app
