#pragma once

// Whole-file reads and crash-safe replacement of small files.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veltra {

// The bytes of a regular file, or nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Who may read a file the program creates. A replaced file keeps its own permissions.
enum class FileAccess {
    kOwnerOnly,  // the program's own state
    kShared,     // files the user saves to pass on: what the user's umask allows
};

// Replaces the file by writing a temporary file beside it and renaming it over the target, so a
// crash leaves either the old or the new contents, never a mixture. False when any step fails;
// the temporary file is then removed and the target is untouched.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileAccess access = FileAccess::kOwnerOnly);

// A name the user gave, made fit to be one file name on any of the program's systems: path
// separators, control characters and the characters Windows refuses become "_", and blanks and
// dots at the ends are dropped ("..", "/etc/passwd" and "a:b" name files in the folder). Empty
// when nothing is left; the caller then chooses a name.
std::string SafeFileName(std::string_view name);

}  // namespace veltra
