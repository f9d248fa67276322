#include "update/zip_unpack.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/log.h"
#include "common/unique_fd.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBufferSize = 64 * 1024;
// A stored name's length is a 16-bit field.
constexpr std::size_t kNameBufferSize = 0x10000;
constexpr unsigned kHostUnix = 3;
constexpr unsigned kDosDirectoryAttribute = 0x10;
constexpr std::string_view kTempPrefix = ".veltra-unpack-";
constexpr int kTempAttempts = 100;

struct ZipCloser {
    void operator()(void* zip) const { unzClose(zip); }
};
using ZipHandle = std::unique_ptr<void, ZipCloser>;

struct EntryPath {
    std::vector<std::string> folders;
    std::string leaf;  // empty for a folder entry
};

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// The components of a stored name, or nullopt when the name could land outside the folder.
std::optional<EntryPath> SafePath(std::string_view name, bool is_folder) {
    if (name.empty() || IsSeparator(name.front()) || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const bool drive_letter =
        name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (drive_letter) {
        return std::nullopt;
    }
    EntryPath path;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            return std::nullopt;
        }
        if (!part.empty() && part != ".") {
            path.folders.emplace_back(part);
        }
        start = end + 1;
    }
    if (path.folders.empty()) {
        return std::nullopt;
    }
    if (!is_folder) {
        path.leaf = std::move(path.folders.back());
        path.folders.pop_back();
    }
    return path;
}

// Opens `folders` below `root` one by one, creating the missing ones. A component that exists as
// anything but a real folder (a symbolic link above all) ends the walk.
UniqueFd OpenFolders(int root, const std::vector<std::string>& folders) {
    UniqueFd current(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (const std::string& folder : folders) {
        if (!current) {
            break;
        }
        if (::mkdirat(current.get(), folder.c_str(), 0755) != 0 && errno != EEXIST) {
            return {};
        }
        current = UniqueFd(::openat(current.get(), folder.c_str(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return current;
}

UniqueFd CreateTempFile(int folder, std::string& name) {
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        name =
            std::string(kTempPrefix) + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        UniqueFd fd(::openat(folder, name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd || errno != EEXIST) {
            return fd;
        }
    }
    return {};
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Zip stores local time without a zone.
void SetStoredTime(int fd, const tm_unz& stored) {
    std::tm time{};
    time.tm_year = static_cast<int>(stored.tm_year) - 1900;
    time.tm_mon = static_cast<int>(stored.tm_mon);
    time.tm_mday = static_cast<int>(stored.tm_mday);
    time.tm_hour = static_cast<int>(stored.tm_hour);
    time.tm_min = static_cast<int>(stored.tm_min);
    time.tm_sec = static_cast<int>(stored.tm_sec);
    time.tm_isdst = -1;
    const std::time_t when = std::mktime(&time);
    if (when == static_cast<std::time_t>(-1)) {
        return;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
    ::futimens(fd, times);
}

bool MadeOnUnix(const unz_file_info64& info) {
    return (info.version >> 8) == kHostUnix;
}

unsigned UnixMode(const unz_file_info64& info) {
    return static_cast<unsigned>(info.external_fa >> 16) & 0xFFFF;
}

// Group and other never get write access: the unpacked program is started from here.
mode_t FileMode(const unz_file_info64& info) {
    if (!MadeOnUnix(info)) {
        return 0644;
    }
    return static_cast<mode_t>((UnixMode(info) & 0755) | 0600);
}

bool IsFolderEntry(std::string_view name, const unz_file_info64& info) {
    if (!name.empty() && IsSeparator(name.back())) {
        return true;
    }
    return MadeOnUnix(info) ? S_ISDIR(UnixMode(info))
                            : (info.external_fa & kDosDirectoryAttribute) != 0;
}

class Unpacker {
  public:
    Unpacker(unzFile zip, int root, std::uint64_t byte_limit)
        : zip_(zip), root_(root), byte_limit_(byte_limit), buffer_(kBufferSize) {}

    // Empty when the entry was unpacked, else why it was not.
    std::string_view Entry(std::string_view name, const unz_file_info64& info,
                           std::optional<fs::path>& written) {
        if (MadeOnUnix(info) && S_ISLNK(UnixMode(info))) {
            return "symbolic link";
        }
        const bool is_folder = IsFolderEntry(name, info);
        const std::optional<EntryPath> path = SafePath(name, is_folder);
        if (!path) {
            return "unsafe name";
        }
        if (!is_folder && (info.flag & 1) != 0) {
            return "encrypted";
        }
        const UniqueFd folder = OpenFolders(root_, path->folders);
        if (!folder) {
            return "folder not created";
        }
        if (is_folder) {
            return {};
        }
        std::string temp;
        UniqueFd out = CreateTempFile(folder.get(), temp);
        if (!out) {
            return "file not created";
        }
        std::uint64_t size = 0;
        std::string_view failure = Copy(info, out.get(), size);
        if (failure.empty()) {
            SetStoredTime(out.get(), info.tmu_date);
            if (::fchmod(out.get(), FileMode(info)) != 0 || !out.Close() ||
                ::renameat(folder.get(), temp.c_str(), folder.get(), path->leaf.c_str()) != 0) {
                failure = "file not written";
            }
        }
        if (!failure.empty()) {
            ::unlinkat(folder.get(), temp.c_str(), 0);
            return failure;
        }
        total_ += size;
        fs::path relative;
        for (const std::string& part : path->folders) {
            relative /= part;
        }
        written = relative / path->leaf;
        return {};
    }

  private:
    // Streams the entry's data to `fd`, counting what is inflated rather than trusting the
    // stored sizes.
    std::string_view Copy(const unz_file_info64& info, int fd, std::uint64_t& size) {
        if (unzOpenCurrentFile(zip_) != UNZ_OK) {
            return "damaged";
        }
        std::string_view failure;
        for (;;) {
            const int read =
                unzReadCurrentFile(zip_, buffer_.data(), static_cast<unsigned>(buffer_.size()));
            if (read < 0) {
                failure = "damaged";
                break;
            }
            if (read == 0) {
                break;
            }
            const auto count = static_cast<std::size_t>(read);
            if (count > byte_limit_ - total_ - size) {
                failure = "beyond the size limit";
                break;
            }
            size += count;
            if (!WriteAll(fd, buffer_.data(), count)) {
                failure = "file not written";
                break;
            }
        }
        // minizip checks the CRC on closing only when the stored size was reached, so data that
        // ends early is caught by its size.
        const bool closed = unzCloseCurrentFile(zip_) == UNZ_OK;
        if (failure.empty() && (!closed || size != info.uncompressed_size)) {
            failure = "damaged";
        }
        return failure;
    }

    unzFile zip_;
    int root_;
    std::uint64_t byte_limit_;
    std::uint64_t total_ = 0;
    std::vector<char> buffer_;
};

}  // namespace

UnpackResult UnpackArchive(const fs::path& archive, const fs::path& folder,
                           const UnpackLimits& limits) {
    UnpackResult result;
    const ZipHandle zip(unzOpen64(archive.c_str()));
    if (!zip) {
        return result;
    }
    result.opened = true;
    std::error_code ec;
    fs::create_directories(folder, ec);
    const UniqueFd root(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Unpacker unpacker(zip.get(), root.get(), limits.total_bytes);
    std::vector<char> name_buffer(kNameBufferSize);
    std::size_t index = 0;
    for (int status = unzGoToFirstFile(zip.get()); status == UNZ_OK;
         status = unzGoToNextFile(zip.get()), ++index) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip.get(), &info, name_buffer.data(),
                                    static_cast<uLong>(name_buffer.size()), nullptr, 0, nullptr,
                                    0) != UNZ_OK) {
            break;
        }
        const std::string name(name_buffer.data(),
                               std::min<std::size_t>(info.size_filename, name_buffer.size()));
        std::optional<fs::path> written;
        const std::string_view failure =
            index < limits.entries ? unpacker.Entry(name, info, written) : "beyond the entry limit";
        if (!failure.empty()) {
            Log(LogLevel::Warning, "unpack: left out \"" + name + "\": " + std::string(failure));
            result.refused.push_back(name);
        } else if (written) {
            result.written.push_back(folder / *written);
        }
    }
    return result;
}

std::string FileSha256(const fs::path& file) {
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return {};
    }
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return {};
    }
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        const ssize_t read = ::read(fd.get(), buffer.data(), buffer.size());
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            return {};
        }
        if (read == 0) {
            break;
        }
        if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(read)) != 1) {
            return {};
        }
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
        return {};
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xF];
    }
    return hex;
}

}  // namespace veltra
