#pragma once

// Unpacking an update archive (zip, through minizip and zlib) into a folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace veltra {

struct UnpackLimits {
    // The bytes of all files kept, counted as they are inflated: the sizes an archive states are
    // not trusted.
    std::uint64_t total_bytes = std::uint64_t{4} << 30;
    // Entries past this many, in archive order, are left out.
    std::size_t entries = 65535;
};

struct UnpackResult {
    // The archive could be opened; what happened to single entries is below.
    bool opened = false;
    // Files written, as the folder joined with the stored name's folders and file name, in
    // archive order.
    std::vector<std::filesystem::path> written;
    // Entries left out, by their stored name: unsafe names (absolute, climbing out with "..",
    // with either separator), symbolic links, encrypted or damaged data, beyond the limits, and
    // files that could not be written.
    std::vector<std::string> refused;
};

// Extracts every entry below `folder` under its stored name ("/" or "\" separate folders),
// creating `folder` and sub-folders, giving each file its stored time and, when the archive was
// made on a Unix system, its stored permission bits without write access for group and others
// (so a program stays executable), else 0644. Nothing is written outside `folder`: an existing
// symbolic link on the way is not followed, and one at a file's place is replaced. A file is
// written beside its place and renamed over it only when complete, so a damaged entry leaves no
// file behind and an earlier file of that name stays as it was.
UnpackResult UnpackArchive(const std::filesystem::path& archive,
                           const std::filesystem::path& folder, const UnpackLimits& limits = {});

// The SHA-256 of a file's bytes as 64 lower-case hex digits; empty when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace veltra
