#pragma once

// Where updates come from and what starts them, for every front end: the base addresses of the
// configuration file, the temp folder of the user's data, the desktop's program starter.

#include <filesystem>
#include <memory>
#include <string>

#include "config/catalogue.h"
#include "update/program_starter.h"
#include "update/update_package.h"

namespace veltra {

// The driver package comes from the `upgrade` element's `url`; the firmware tool from its
// `firmware` attribute, or from the same address when that is empty.
std::string UpdateBaseAddress(const SoftwareInfo& software, UpdatePackage package);

// The user's data folder / "temp": the archive and what it brings lie there.
std::filesystem::path UpdateTempFolder();

std::unique_ptr<ProgramStarter> MakeProgramStarter();

}  // namespace veltra
