#pragma once

// A small JSON value with a reader and a compact writer: objects, arrays, strings, integers,
// booleans and null. Enough for the bridge protocol and machine-readable command output; numbers
// with a fraction or exponent are refused rather than rounded.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace veltra {

class JsonValue {
  public:
    enum class Type { Null, Bool, Int, String, Array, Object };
    using Array = std::vector<JsonValue>;
    // Members keep their order; duplicate names are kept and lookups take the first.
    using Object = std::vector<std::pair<std::string, JsonValue>>;

    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool value) : value_(value) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) JsonValue(T value)
        : value_(static_cast<std::int64_t>(value)) {}
    JsonValue(const char* value) : value_(std::string(value)) {}
    JsonValue(std::string value) : value_(std::move(value)) {}
    JsonValue(std::string_view value) : value_(std::string(value)) {}
    JsonValue(Array value) : value_(std::move(value)) {}
    JsonValue(Object value) : value_(std::move(value)) {}

    Type type() const { return static_cast<Type>(value_.index()); }
    bool IsNull() const { return type() == Type::Null; }
    bool IsBool() const { return type() == Type::Bool; }
    bool IsInt() const { return type() == Type::Int; }
    bool IsString() const { return type() == Type::String; }
    bool IsArray() const { return type() == Type::Array; }
    bool IsObject() const { return type() == Type::Object; }

    // Accessors of the wrong type give false, 0 or an empty value.
    bool AsBool() const;
    std::int64_t AsInt() const;
    const std::string& AsString() const;
    const Array& AsArray() const;
    const Object& AsObject() const;

    // The first member called `key`, or nullptr (also when this is no object).
    const JsonValue* Find(std::string_view key) const;
    std::optional<std::int64_t> GetInt(std::string_view key) const;
    std::optional<std::string> GetString(std::string_view key) const;

    // Object building: replaces the first member called `key` or appends one. Turns a null value
    // into an object first.
    JsonValue& Set(std::string_view key, JsonValue value);
    // Array building: turns a null value into an array first.
    void Push(JsonValue value);

    friend bool operator==(const JsonValue&, const JsonValue&) = default;

  private:
    std::variant<std::nullptr_t, bool, std::int64_t, std::string, Array, Object> value_;
};

// Parses one JSON text (surrounding white space allowed). Fails on anything malformed, on
// invalid UTF-8, on nesting deeper than `max_depth` and on integers outside 64 bits.
std::optional<JsonValue> ParseJson(std::string_view text, int max_depth = 64);

// Compact text on one line; control characters, quotes and backslashes are escaped, UTF-8 kept
// and invalid UTF-8 replaced by U+FFFD.
std::string WriteJson(const JsonValue& value);

}  // namespace veltra
