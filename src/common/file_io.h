#pragma once

// Whole-file reads and crash-safe replacement of small files.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veltra {

// The bytes of a regular file, or nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Replaces the file by writing a temporary file beside it and renaming it over the target, so a
// crash leaves either the old or the new contents, never a mixture. False when any step fails;
// the temporary file is then removed and the target is untouched.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace veltra
