#include "shell/app_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <mutex>
#include <system_error>
#include <vector>

namespace veltra {
namespace {

std::mutex& CaptionMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& CaptionStorage() {
    static std::string caption;
    return caption;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

void SetApplicationCaption(std::string caption) {
    const std::lock_guard lock(CaptionMutex());
    CaptionStorage() = std::move(caption);
}

std::string ApplicationCaption() {
    const std::lock_guard lock(CaptionMutex());
    return CaptionStorage();
}

std::string CaptionFolderName(const std::string& caption) {
    std::string name = caption;
    for (char& c : name) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    if (name.empty() || name == "." || name == "..") {
        name.insert(name.begin(), '_');
    }
    return name;
}

std::filesystem::path ProgramFolder() {
    const std::string configured = Environment("VELTRA_PROGRAM_FOLDER");
    if (!configured.empty()) {
        return configured;
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    // The build tree keeps the program folder beside the executables.
    const std::filesystem::path folder = exe.parent_path();
    if (std::filesystem::is_regular_file(folder / "config.xml", ec)) {
        return folder;
    }
    // Installed: <prefix>/bin/veltractl and <prefix>/share/veltra-mouse, wherever the prefix is.
    const std::filesystem::path bindir = VELTRA_RELATIVE_BINDIR;
    std::filesystem::path prefix = folder;
    for (auto levels = std::distance(bindir.begin(), bindir.end()); levels > 0; --levels) {
        prefix = prefix.parent_path();
    }
    return prefix / VELTRA_RELATIVE_DATADIR;
}

std::filesystem::path HomeFolder() {
    const std::string home = Environment("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

std::filesystem::path ConfigHomeFolder() {
    // Relative XDG values are to be ignored.
    std::filesystem::path base = Environment("XDG_CONFIG_HOME");
    if (!base.is_absolute()) {
        base = HomeFolder() / ".config";
    }
    return base;
}

std::filesystem::path UserDataFolder() {
    // Relative XDG values are to be ignored.
    std::filesystem::path base = Environment("XDG_DATA_HOME");
    if (!base.is_absolute()) {
        base = HomeFolder() / ".local" / "share";
    }
    return base / (CaptionFolderName(ApplicationCaption()) + " Files");
}

std::filesystem::path SkinsFolder() {
    return ProgramFolder() / "skins";
}

std::filesystem::path SkinFolder() {
    return SkinsFolder() / kDefaultTheme;
}

bool EnsureFolder(const std::filesystem::path& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool DeleteFolderTree(const std::filesystem::path& path) {
    std::error_code ec;
    if (path.empty() || path == path.root_path() ||
        !std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) {
        return false;
    }
    std::filesystem::remove_all(path, ec);
    return !ec && !std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

}  // namespace veltra
