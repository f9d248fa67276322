#pragma once

// Starting with the session: an XDG autostart entry,
// $XDG_CONFIG_HOME (default ~/.config) / autostart / <caption>.desktop, whose program is started
// with "-autorun" when the user logs in. The entry is named after the application caption as the
// other per-user files are (CaptionFolderName), so one caption has one entry.

#include <filesystem>
#include <string>

namespace veltra {

std::filesystem::path AutostartEntryPath(const std::string& caption);

// True when an entry file of that name exists, whoever wrote it and whatever it holds, unless its
// [Desktop Entry] group says Hidden=true: the session then treats it as deleted. An entry that
// cannot be read counts as present.
bool AutostartEntryExists(const std::string& caption);

// Writes the entry (creating the autostart folder), replacing any entry of that name atomically.
// False when the executable's path is not UTF-8 (an entry file is UTF-8 and another path would
// start another program) or when anything cannot be written.
bool WriteAutostartEntry(const std::string& caption, const std::filesystem::path& executable,
                         const std::string& icon_name);

// Deletes the entry; true when no entry is left afterwards.
bool RemoveAutostartEntry(const std::string& caption);

// One program argument as the Exec key holds it: quoted when it contains a reserved character,
// then escaped as every string value of an entry file is.
std::string DesktopExecArgument(const std::string& argument);

}  // namespace veltra
