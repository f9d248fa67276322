#pragma once

// The installation's name and folders, shared by every subsystem.
//
// Folders are std::filesystem::path values naming the folder itself; compose file names with
// operator/ (ProgramFolder() / "config.xml").

#include <filesystem>
#include <string>

namespace veltra {

// The application caption from the configuration file, registered once at start-up and read by
// everyone afterwards. Safe to call from any thread. Empty until registered.
void SetApplicationCaption(std::string caption);
std::string ApplicationCaption();

// The caption as one file-name component: '/' and zero characters become '_', and a caption that
// would name the folder itself or its parent ("", ".", "..") gets a leading '_'.
std::string CaptionFolderName(const std::string& caption);

// Where config.xml, device/, language/ and skins/ lie: $VELTRA_PROGRAM_FOLDER when set; else the
// folder of the running executable when it holds config.xml (the build tree); else the installed
// data folder found from the executable's own place (<prefix>/bin -> <prefix>/share/veltra-mouse).
std::filesystem::path ProgramFolder();

// $XDG_DATA_HOME (default ~/.local/share) / "<caption> Files".
std::filesystem::path UserDataFolder();

// The skin the program draws with; its pictures lie in SkinsFolder() / theme.
inline constexpr const char* kDefaultTheme = "default";

// Program folder / "skins": one folder per skin theme.
std::filesystem::path SkinsFolder();
// SkinsFolder() / the default theme: the pictures of the interface and the device pictures.
std::filesystem::path SkinFolder();

// The user's home folder ($HOME, else the password database).
std::filesystem::path HomeFolder();

// $XDG_CONFIG_HOME, or ~/.config when it is unset or relative.
std::filesystem::path ConfigHomeFolder();

// Creates the folder and every missing folder above it; true when it exists afterwards.
bool EnsureFolder(const std::filesystem::path& path);

// Deletes the folder with everything in it, silently. False when the path is not a folder (a
// symbolic link is not followed), is a file-system root, or something could not be deleted.
bool DeleteFolderTree(const std::filesystem::path& path);

}  // namespace veltra
