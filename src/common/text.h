#pragma once

// Text helpers shared by every subsystem. Text is UTF-8 std::string throughout the core; where a
// rule counts characters it counts UTF-16 code units, as the file formats and the mouse expect,
// and it does so only through this module.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltra {

// Decodes UTF-8 into UTF-16 code units. Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Encodes UTF-16 into UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8; the five undefined bytes map to the C1 controls.
std::string Windows1252ToUtf8(std::string_view bytes);

// Decodes UTF-16 bytes of the given byte order into UTF-8 (an odd last byte is ignored).
std::string Utf16BytesToUtf8(std::string_view bytes, bool little_endian);

// The text unchanged when it is valid UTF-8, else with every malformed sequence as U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Length in UTF-16 code units.
std::size_t Utf16Length(std::string_view utf8);

// The longest prefix of at most `units` UTF-16 code units, never splitting a surrogate pair.
std::string TruncateUtf16(std::string_view utf8, std::size_t units);

// Drops the first `units` UTF-16 code units (a pair that would be split is dropped whole).
std::string DropUtf16Prefix(std::string_view utf8, std::size_t units);

// C-library style conversions: skip leading white space, take an optional sign, then digits up to
// the first invalid character; no digits gives 0. Out-of-range values saturate like strtol.
long ParseDecimal(std::string_view text);
// A whole decimal integer (optional sign), nothing else; nullopt for anything more or less.
std::optional<long> ParseInteger(std::string_view text);
long ParseHex(std::string_view text);

// ASCII-only case folding and trimming, for key names and INI rules.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string_view TrimAsciiSpace(std::string_view text);

}  // namespace veltra
