#pragma once

// Text helpers shared by every subsystem. Text is UTF-8 std::string throughout the core; where a
// rule counts characters it counts UTF-16 code units, as the file formats and the mouse expect,
// and it does so only through this module.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
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

// Every whole number the program reads goes through ScanInteger: an optional sign, then digits
// of `base` (10 or 16). With base 16 a "0x" or "0X" before the digits is skipped; base 0 reads
// such a prefixed number as hexadecimal and anything else as decimal.
struct ScannedInteger {
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool overflow = false;  // more than 64 bits of digits; `magnitude` is then meaningless
    bool has_digits = false;
    std::size_t end = 0;  // where reading stopped
};
ScannedInteger ScanInteger(std::string_view text, int base);

// The whole text as one number of type T (see ScanInteger): no white space, nothing after the
// digits. Nullopt for anything else and for values outside T.
template <std::integral T = long>
requires(!std::same_as<T, bool>) std::optional<T> ParseInteger(std::string_view text,
                                                               int base = 10) {
    const ScannedInteger n = ScanInteger(text, base);
    if (!n.has_digits || n.overflow || n.end != text.size()) {
        return std::nullopt;
    }
    using Limits = std::numeric_limits<T>;
    if (n.negative) {
        if constexpr (Limits::is_signed) {
            const auto lowest = static_cast<std::uint64_t>(-(Limits::min() + 1)) + 1;
            if (n.magnitude > lowest) {
                return std::nullopt;
            }
            // -(m - 1) - 1 reaches the lowest value without overflowing T.
            return n.magnitude == 0 ? T{0} : static_cast<T>(-static_cast<T>(n.magnitude - 1) - 1);
        } else {
            return n.magnitude == 0 ? std::optional<T>(T{0}) : std::nullopt;
        }
    }
    if (n.magnitude > static_cast<std::uint64_t>(Limits::max())) {
        return std::nullopt;
    }
    return static_cast<T>(n.magnitude);
}

// C-library style conversions (strtol): skip leading white space, then read a number as
// ScanInteger does up to the first character that does not belong to it; no digits gives 0.
// Out-of-range values saturate.
long ParseDecimal(std::string_view text);
long ParseHex(std::string_view text);

// ASCII-only case folding and trimming, for key names and INI rules.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string_view TrimAsciiSpace(std::string_view text);

}  // namespace veltra
