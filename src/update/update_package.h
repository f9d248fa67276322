#pragma once

// The two packages the program can fetch, the names of their archives and of the programs they
// bring, and the addresses below a base address.

#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// The values are the prompt's wParam.
enum class UpdatePackage : int { Driver = 1, FirmwareTool = 2 };

// The firmware tool's version while no manifest names one.
inline constexpr std::string_view kDefaultFirmwareToolVersion = "2.0.3.0";

// "Zephrin-Driver-<version>.zip" or "FirmwareUpdateTool-<version>.zip".
std::string ArchiveName(UpdatePackage package, std::string_view version);

// What an archive may bring to start, in the order they are tried. On Linux the names drop the
// ".exe" the packages carry for Windows: "zephrin-<version>", then "Zephrin-Driver-<version>";
// "FirmwareUpdateTool-<version>".
std::vector<std::string> ProgramNames(UpdatePackage package, std::string_view version);

// Files that are not started themselves but handed to the desktop's default handler, when one
// of ProgramNames with this ending is in the package.
inline constexpr std::string_view kPackageFileEndings[] = {".deb", ".rpm", ".flatpakref",
                                                           ".AppImage"};

// `name` below `base`, joined with exactly one "/".
std::string JoinAddress(std::string_view base, std::string_view name);

// Compares dotted versions part by part, numerically where both parts are numbers ("1.10" is
// above "1.9"), else as text; a missing part counts as 0. Negative, 0 or positive.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace veltra
