#pragma once

// Unpacking an update archive (zip, through minizip and zlib) into a folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veltra {

struct UnpackLimits {
    std::uint64_t total_bytes = std::uint64_t{4} << 30;
    std::size_t entries = 65535;
};

struct UnpackResult {
    // The archive could be opened; what happened to single entries is below.
    bool opened = false;
    // Files written, below the folder, in archive order.
    std::vector<std::filesystem::path> written;
    // Entries left out, by their stored name: unsafe names (absolute, climbing out with "..",
    // with either separator), symbolic links, damaged data, beyond the limits.
    std::vector<std::string> refused;
};

// Extracts every entry below `folder` under its stored name ("/" or "\" separate folders),
// creating sub-folders, giving each file its stored time and, when the archive was made on a
// Unix system, its stored permission bits (so a program stays executable). Nothing is written
// outside `folder`: an existing symbolic link on the way is not followed. A damaged entry leaves
// no file behind.
UnpackResult UnpackArchive(const std::filesystem::path& archive,
                           const std::filesystem::path& folder, const UnpackLimits& limits = {});

// The SHA-256 of a file's bytes as 64 lower-case hex digits; empty when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace veltra
