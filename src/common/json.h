#pragma once

// JSON through nlohmann-json. Objects keep their members in insertion order, so that machine
// output reads in the order it was built. Text from outside (bridge lines, captures) goes through
// DecodeJson, which holds it to the limits below; members of decoded values are read with the
// checked accessors, which never throw.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace veltra {

using Json = nlohmann::ordered_json;

struct JsonLimits {
    std::size_t max_length = std::size_t{1} << 20;
    // Arrays and objects nested deeper than this are refused.
    int max_depth = 64;
};

// One JSON text (surrounding white space allowed). Fails on anything malformed, on invalid UTF-8
// and unpaired surrogates, on text longer or nested deeper than `limits`, and on numbers that are
// not integers of 64 bits: a fraction or exponent is refused rather than rounded.
std::optional<Json> DecodeJson(std::string_view text, const JsonLimits& limits = {});

// Compact text on one line; UTF-8 kept, invalid UTF-8 replaced by U+FFFD.
std::string EncodeJson(const Json& value);

// The member `key` of an object; nullptr when `value` is no object or has no such member.
const Json* FindMember(const Json& value, std::string_view key);
// The member as a 64-bit integer or a string; nullopt when missing or of another type.
std::optional<std::int64_t> IntMember(const Json& value, std::string_view key);
std::optional<std::string> StringMember(const Json& value, std::string_view key);

}  // namespace veltra
