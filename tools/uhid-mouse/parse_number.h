#pragma once

// Whole-text number parsing for the tools' command lines: decimal, or hexadecimal after "0x".

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace veltra::uhid {

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace veltra::uhid
