#include "shell/settings_key.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <optional>
#include <vector>

#include "common/file_io.h"
#include "common/text.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

// Serialises the read-modify-write of the file between threads of this process.
std::mutex& KeyMutex() {
    static std::mutex mutex;
    return mutex;
}

enum class OpenResult { kOpened, kMissing, kFailed };

struct KeyContents {
    OpenResult result = OpenResult::kFailed;
    std::string bytes;
};

// Opens the key for reading and writing, as a registry key is opened with full access.
KeyContents OpenKey(const std::filesystem::path& file) {
    KeyContents key;
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        key.result = errno == ENOENT ? OpenResult::kMissing : OpenResult::kFailed;
        return key;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return key;
        }
        if (n == 0) {
            break;
        }
        key.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    key.result = OpenResult::kOpened;
    return key;
}

bool CreateKey(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

bool LineHasName(std::string_view line, std::string_view name) {
    const std::size_t eq = line.find('=');
    return eq != std::string_view::npos && EqualsIgnoreAsciiCase(line.substr(0, eq), name);
}

std::optional<std::string_view> FindValue(std::string_view bytes, std::string_view name) {
    for (const std::string_view line : SplitLines(bytes)) {
        if (LineHasName(line, name)) {
            return line.substr(line.find('=') + 1);
        }
    }
    return std::nullopt;
}

int ToInt(long value) {
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

int ValueAsInt(std::string_view bytes, std::string_view name) {
    const auto value = FindValue(bytes, name);
    return value ? ToInt(ParseDecimal(*value)) : 0;
}

enum class MissingKey { kCreate, kLeave };

int ReadValue(std::string_view name, MissingKey missing) {
    const std::lock_guard lock(KeyMutex());
    const std::filesystem::path file = SettingsFilePath();
    const KeyContents key = OpenKey(file);
    if (key.result == OpenResult::kMissing && missing == MissingKey::kCreate) {
        CreateKey(file);
    }
    return key.result == OpenResult::kOpened ? ValueAsInt(key.bytes, name) : 0;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

}  // namespace

std::filesystem::path SettingsFilePath() {
    return ConfigHomeFolder() / CaptionFolderName(ApplicationCaption()) / "settings";
}

int ReadSettingValue(std::string_view name) {
    return ReadValue(name, MissingKey::kCreate);
}

bool ReadSettingFlag(std::string_view name, bool missing) {
    const std::lock_guard lock(KeyMutex());
    const KeyContents key = OpenKey(SettingsFilePath());
    if (key.result != OpenResult::kOpened) {
        return missing;
    }
    const auto value = FindValue(key.bytes, name);
    const std::optional<long> number =
        value ? ParseInteger<long>(TrimAsciiSpace(*value)) : std::nullopt;
    return number ? *number != 0 : missing;
}

void WriteSettingValue(std::string_view name, std::string_view text) {
    if (name.empty() || name.find('=') != name.npos || HasLineBreak(name) || HasLineBreak(text)) {
        return;
    }
    const std::lock_guard lock(KeyMutex());
    const std::filesystem::path file = SettingsFilePath();
    const KeyContents key = OpenKey(file);
    if (key.result != OpenResult::kOpened) {
        return;
    }
    const std::string entry = std::string(name) + "=" + std::string(text);
    std::string out;
    bool replaced = false;
    for (const std::string_view line : SplitLines(key.bytes)) {
        if (!replaced && LineHasName(line, name)) {
            out += entry;
            replaced = true;
        } else {
            out += line;
        }
        out += '\n';
    }
    if (!replaced) {
        out += entry;
        out += '\n';
    }
    WriteFileAtomically(file, out);
}

int ReadDeviceType() {
    return ReadValue(kDeviceTypeValue, MissingKey::kLeave);
}

void WriteDeviceType(int device_type) {
    WriteSettingValue(kDeviceTypeValue, std::to_string(device_type));
}

std::optional<int> ReadLanguageId() {
    const std::lock_guard lock(KeyMutex());
    const std::filesystem::path file = SettingsFilePath();
    const KeyContents key = OpenKey(file);
    switch (key.result) {
        case OpenResult::kOpened:
            return ValueAsInt(key.bytes, kLanguageIdValue);
        case OpenResult::kMissing:
            return CreateKey(file) ? std::optional<int>(0) : std::nullopt;
        case OpenResult::kFailed:
            break;
    }
    return std::nullopt;
}

void WriteLanguageId(int language_id) {
    WriteSettingValue(kLanguageIdValue, std::to_string(language_id));
}

}  // namespace veltra
