#pragma once

// Language files and text lookup. Every user-visible text is addressed by an integer id and read
// from "<program folder>/language/<language id>.lan", an INI file with a section "LAN" of
// "id=text" lines. The file is read anew on every lookup, so a language change takes effect
// with the next lookup.

#include <filesystem>
#include <string>
#include <string_view>

namespace veltra {

inline constexpr int kSimplifiedChinese = 2052;
inline constexpr int kEnglish = 1033;
// Texts longer than this many UTF-16 units are cut.
inline constexpr std::size_t kMaxLangTextLength = 259;

// The process-wide current language id; 2052 until set. Safe to use from any thread.
int CurrentLanguageId();
void SetCurrentLanguageId(int language_id);

std::filesystem::path LanguageFilePath(int language_id);

// The text of `id` in `section` of the current language file, cut to 259 UTF-16 units; empty when
// the file, the section or the key is missing.
std::string GetLangText(int id, std::string_view section = "LAN");

// The profile-string rules on decoded text: section names and keys match without regard to
// ASCII case; lines beginning with ';' are comments; white space around keys and values is
// trimmed and one pair of matching enclosing quotes is removed from the value; the first
// occurrence wins. Returns false when the section or key is missing.
bool FindProfileString(std::string_view text, std::string_view section, std::string_view key,
                       std::string& value);

// Language-file bytes as UTF-8: UTF-16 with a byte-order mark, UTF-8 with or without one, and
// anything else as Windows-1252 (the stand-in for the ANSI code page).
std::string DecodeLanguageFile(std::string_view bytes);

// 2052 when the locale names Simplified Chinese (zh_CN, zh_SG, zh_Hans...), else 1033.
int LanguageIdForLocale(std::string_view locale);

// The user's interface language from LC_ALL, LC_MESSAGES or LANG (the first one set).
int SystemUiLanguageId();

// The start-up language choice: the stored LCID, or, when that is 0, the system UI language,
// which is then stored. A settings key that cannot be used gives the system UI language too, with
// one warning on stderr. Sets and returns the current language id.
int ChooseStartupLanguage();

}  // namespace veltra
