#include "config/language.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "common/file_io.h"
#include "common/text.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"

namespace veltra {
namespace {

std::atomic<int>& LanguageId() {
    static std::atomic<int> id{kSimplifiedChinese};
    return id;
}

// Splits on CR LF, LF or CR.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!visit(line) || end == std::string_view::npos) {
            return;
        }
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

int CurrentLanguageId() {
    return LanguageId().load();
}

void SetCurrentLanguageId(int language_id) {
    LanguageId().store(language_id);
}

std::filesystem::path LanguageFilePath(int language_id) {
    return ProgramFolder() / "language" / (std::to_string(language_id) + ".lan");
}

std::string DecodeLanguageFile(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        return Utf16BytesToUtf8(bytes.substr(2), true);
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return SanitizeUtf8(bytes.substr(3));
    }
    return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

bool FindProfileString(std::string_view text, std::string_view section, std::string_view key,
                       std::string& value) {
    bool in_section = false;
    bool found = false;
    ForEachLine(text, [&](std::string_view raw) {
        const std::string_view line = TrimAsciiSpace(raw);
        if (line.empty() || line.front() == ';') {
            return true;
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            in_section = close != std::string_view::npos &&
                         EqualsIgnoreAsciiCase(line.substr(1, close - 1), section);
            return true;
        }
        if (!in_section) {
            return true;
        }
        const std::size_t eq = line.find('=');
        if (!EqualsIgnoreAsciiCase(TrimAsciiSpace(line.substr(0, eq)), key)) {
            return true;
        }
        const std::string_view raw_value =
            eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
        value = std::string(StripQuotes(TrimAsciiSpace(raw_value)));
        found = true;
        return false;
    });
    if (found) {
        // The service hands back C strings: a zero character ends the text.
        value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
    }
    return found;
}

std::string GetLangText(int id, std::string_view section) {
    const auto bytes = ReadWholeFile(LanguageFilePath(CurrentLanguageId()));
    if (!bytes) {
        return {};
    }
    std::string value;
    if (!FindProfileString(DecodeLanguageFile(*bytes), section, std::to_string(id), value)) {
        return {};
    }
    return TruncateUtf16(value, kMaxLangTextLength);
}

int LanguageIdForLocale(std::string_view locale) {
    for (const std::string_view prefix :
         {"zh_CN", "zh_SG", "zh_Hans", "zh-CN", "zh-SG", "zh-Hans"}) {
        if (locale.substr(0, prefix.size()) == prefix) {
            return kSimplifiedChinese;
        }
    }
    return kEnglish;
}

int SystemUiLanguageId() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return LanguageIdForLocale(value);
        }
    }
    return kEnglish;
}

int ChooseStartupLanguage() {
    const std::optional<int> stored = ReadLanguageId();
    int id = stored.value_or(0);
    if (id == 0) {
        id = SystemUiLanguageId();
        if (stored) {
            WriteLanguageId(id);
        } else {
            // Said once per start: every later setting fails the same way, silently.
            std::fprintf(stderr,
                         "veltra: cannot use the settings file %s; the language follows the "
                         "locale (%d) and settings are not kept\n",
                         SettingsFilePath().c_str(), id);
        }
    }
    SetCurrentLanguageId(id);
    return id;
}

}  // namespace veltra
