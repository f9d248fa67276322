#include "common/text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace veltra {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Returns the next code point and advances `pos`; malformed input yields U+FFFD and advances by
// one byte so that decoding always makes progress.
char32_t NextCodePoint(std::string_view s, std::size_t& pos, bool& valid) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    valid = true;
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        valid = false;
        ++pos;
        return kReplacement;
    }
    if (pos + len > s.size()) {
        valid = false;
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            valid = false;
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        valid = false;
        ++pos;
        return kReplacement;
    }
    pos += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Byte length of the prefix holding at most `units` UTF-16 code units.
std::size_t PrefixBytes(std::string_view s, std::size_t units) {
    std::size_t pos = 0;
    std::size_t counted = 0;
    while (pos < s.size()) {
        std::size_t next = pos;
        bool valid = true;
        const char32_t cp = NextCodePoint(s, next, valid);
        const std::size_t width = cp >= 0x10000 ? 2 : 1;
        if (counted + width > units) {
            break;
        }
        counted += width;
        pos = next;
    }
    return pos;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

long ParsePrefix(std::string_view text, int base) {
    const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
    if (start == std::string_view::npos) {
        return 0;
    }
    const ScannedInteger n = ScanInteger(text.substr(start), base);
    if (!n.has_digits) {
        return 0;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<long>::max());
    if (n.negative) {
        return n.overflow || n.magnitude > kMax ? std::numeric_limits<long>::min()
                                                : -static_cast<long>(n.magnitude);
    }
    return n.overflow || n.magnitude > kMax ? std::numeric_limits<long>::max()
                                            : static_cast<long>(n.magnitude);
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        bool valid = true;
        const char32_t cp = NextCodePoint(utf8, pos, valid);
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        bool valid = true;
        NextCodePoint(bytes, pos, valid);
        if (!valid) {
            return false;
        }
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    // 0x80..0x9F; zero marks the bytes Windows-1252 leaves undefined (kept as C1 controls).
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        char32_t cp = b;
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0) {
            cp = kHigh[b - 0x80];
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t pos = 0;
    std::size_t units = 0;
    while (pos < utf8.size()) {
        bool valid = true;
        units += NextCodePoint(utf8, pos, valid) >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::string TruncateUtf16(std::string_view utf8, std::size_t units) {
    return std::string(utf8.substr(0, PrefixBytes(utf8, units)));
}

std::string DropUtf16Prefix(std::string_view utf8, std::size_t units) {
    std::size_t pos = PrefixBytes(utf8, units);
    // A surrogate pair straddling the cut is dropped whole rather than split.
    if (pos < utf8.size() && Utf16Length(utf8.substr(0, pos)) < units) {
        bool valid = true;
        NextCodePoint(utf8, pos, valid);
    }
    return std::string(utf8.substr(pos));
}

ScannedInteger ScanInteger(std::string_view text, int base) {
    ScannedInteger n;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        n.negative = text[i] == '-';
        ++i;
    }
    // The prefix counts only when a digit follows, so "0x" alone reads as the number 0.
    const bool prefixed = (base == 16 || base == 0) && text.size() > i + 2 && text[i] == '0' &&
                          (text[i + 1] == 'x' || text[i + 1] == 'X') && IsHexDigit(text[i + 2]);
    if (prefixed) {
        i += 2;
    }
    if (base == 0) {
        base = prefixed ? 16 : 10;
    }
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, n.magnitude, base);
    n.has_digits = end != first;
    n.overflow = error == std::errc::result_out_of_range;
    n.end = n.has_digits ? static_cast<std::size_t>(end - text.data()) : 0;
    return n;
}

long ParseDecimal(std::string_view text) {
    return ParsePrefix(text, 10);
}

long ParseHex(std::string_view text) {
    return ParsePrefix(text, 16);
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

std::string_view TrimAsciiSpace(std::string_view text) {
    const auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (!text.empty() && is_space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool little_endian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(little_endian ? static_cast<char16_t>(b0 | (b1 << 8))
                                      : static_cast<char16_t>((b0 << 8) | b1));
    }
    return Utf16ToUtf8(units);
}

std::string SanitizeUtf8(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Utf16ToUtf8(Utf8ToUtf16(bytes));
}

}  // namespace veltra
