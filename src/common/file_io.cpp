#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace veltra {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

namespace {

// A new file beside `path` that no one else opened: its name is taken only if it did not exist.
int CreateTemporaryBeside(const std::filesystem::path& path, FileAccess access, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    const mode_t mode = access == FileAccess::kShared ? 0666 : 0600;
    // A name left behind by a process that died is passed over.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%d-%u.tmp", static_cast<int>(::getpid()),
                      counter.fetch_add(1));
        temp = path.string() + suffix;
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileAccess access) {
    std::string temp;
    const int fd = CreateTemporaryBeside(path, access, temp);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

std::string SafeFileName(std::string_view name) {
    constexpr std::string_view kRefused = "/\\:*?\"<>|";
    std::string safe;
    safe.reserve(name.size());
    // Bytes of multi-byte UTF-8 characters are all above 0x7F, so none is replaced.
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool refused = byte < 0x20 || byte == 0x7F || kRefused.find(c) != kRefused.npos;
        safe += refused ? '_' : c;
    }
    const std::size_t first = safe.find_first_not_of(" .");
    if (first == std::string::npos) {
        return {};
    }
    return safe.substr(first, safe.find_last_not_of(" .") - first + 1);
}

}  // namespace veltra
