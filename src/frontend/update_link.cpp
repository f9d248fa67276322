#include "frontend/update_link.h"

#include "platform/linux/program_starter.h"
#include "shell/app_folders.h"

namespace veltra {

std::string UpdateBaseAddress(const SoftwareInfo& software, UpdatePackage package) {
    if (package == UpdatePackage::FirmwareTool && !software.upgrade_firmware.empty()) {
        return software.upgrade_firmware;
    }
    return software.upgrade;
}

std::filesystem::path UpdateTempFolder() {
    return UserDataFolder() / "temp";
}

std::unique_ptr<ProgramStarter> MakeProgramStarter() {
    return std::make_unique<DesktopProgramStarter>();
}

}  // namespace veltra
