#include "common/json.h"

#include <limits>

#include "common/text.h"

namespace veltra {
namespace {

const std::string kEmptyString;
const JsonValue::Array kEmptyArray;
const JsonValue::Object kEmptyObject;

class Parser {
  public:
    Parser(std::string_view text, int max_depth) : text_(text), max_depth_(max_depth) {}

    std::optional<JsonValue> ParseDocument() {
        JsonValue value;
        SkipSpace();
        if (!ParseValue(value, 0)) {
            return std::nullopt;
        }
        SkipSpace();
        if (pos_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }

    bool Consume(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) {
            return false;
        }
        pos_ += word.size();
        return true;
    }

    bool ParseValue(JsonValue& out, int depth) {
        if (pos_ >= text_.size()) {
            return false;
        }
        switch (text_[pos_]) {
            case '{':
                return ParseObject(out, depth + 1);
            case '[':
                return ParseArray(out, depth + 1);
            case '"': {
                std::string s;
                if (!ParseString(s)) {
                    return false;
                }
                out = JsonValue(std::move(s));
                return true;
            }
            case 't':
                out = JsonValue(true);
                return Consume("true");
            case 'f':
                out = JsonValue(false);
                return Consume("false");
            case 'n':
                out = JsonValue();
                return Consume("null");
            default:
                return ParseNumber(out);
        }
    }

    bool ParseNumber(JsonValue& out) {
        bool negative = false;
        if (pos_ < text_.size() && text_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        const std::size_t start = pos_;
        std::uint64_t magnitude = 0;
        const std::uint64_t limit =
            negative ? static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1
                     : std::numeric_limits<std::int64_t>::max();
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            const auto digit = static_cast<std::uint64_t>(text_[pos_] - '0');
            if (magnitude > (limit - digit) / 10) {
                return false;
            }
            magnitude = magnitude * 10 + digit;
            ++pos_;
        }
        const std::size_t digits = pos_ - start;
        if (digits == 0 || (digits > 1 && text_[start] == '0')) {
            return false;
        }
        if (pos_ < text_.size() &&
            (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E')) {
            return false;
        }
        if (negative) {
            out = JsonValue(magnitude == limit ? std::numeric_limits<std::int64_t>::min()
                                               : -static_cast<std::int64_t>(magnitude));
        } else {
            out = JsonValue(static_cast<std::int64_t>(magnitude));
        }
        return true;
    }

    bool ParseHex4(std::uint32_t& value) {
        if (text_.size() - pos_ < 4) {
            return false;
        }
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    bool ParseEscape(std::u16string& units) {
        if (pos_ >= text_.size()) {
            return false;
        }
        const char c = text_[pos_++];
        switch (c) {
            case '"':
            case '\\':
            case '/':
                units += static_cast<char16_t>(c);
                return true;
            case 'b':
                units += u'\b';
                return true;
            case 'f':
                units += u'\f';
                return true;
            case 'n':
                units += u'\n';
                return true;
            case 'r':
                units += u'\r';
                return true;
            case 't':
                units += u'\t';
                return true;
            case 'u': {
                std::uint32_t unit = 0;
                if (!ParseHex4(unit)) {
                    return false;
                }
                units += static_cast<char16_t>(unit);
                return true;
            }
            default:
                return false;
        }
    }

    // Escaped code units are gathered so that a surrogate pair split over two escapes joins up;
    // an unpaired surrogate becomes U+FFFD.
    bool ParseString(std::string& out) {
        ++pos_;
        const std::size_t raw_start = pos_;
        std::u16string units;
        while (true) {
            if (pos_ >= text_.size()) {
                return false;
            }
            const char c = text_[pos_];
            if (c == '"') {
                out += Utf16ToUtf8(units);
                ++pos_;
                return IsValidUtf8(text_.substr(raw_start, pos_ - raw_start));
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c == '\\') {
                ++pos_;
                if (!ParseEscape(units)) {
                    return false;
                }
                continue;
            }
            out += Utf16ToUtf8(units);
            units.clear();
            out += c;
            ++pos_;
        }
    }

    // The common frame of arrays and objects: an opening character already at pos_, items
    // separated by commas, the closing character.
    template <typename ParseItem>
    bool ParseSequence(char close, int depth, ParseItem parse_item) {
        if (depth > max_depth_) {
            return false;
        }
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == close) {
            ++pos_;
            return true;
        }
        while (true) {
            SkipSpace();
            if (!parse_item()) {
                return false;
            }
            SkipSpace();
            if (pos_ >= text_.size()) {
                return false;
            }
            if (text_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (text_[pos_] != close) {
                return false;
            }
            ++pos_;
            return true;
        }
    }

    bool ParseArray(JsonValue& out, int depth) {
        JsonValue::Array items;
        const bool ok = ParseSequence(']', depth, [&] {
            JsonValue item;
            if (!ParseValue(item, depth)) {
                return false;
            }
            items.push_back(std::move(item));
            return true;
        });
        if (ok) {
            out = JsonValue(std::move(items));
        }
        return ok;
    }

    bool ParseObject(JsonValue& out, int depth) {
        JsonValue::Object members;
        const bool ok = ParseSequence('}', depth, [&] {
            std::string key;
            if (pos_ >= text_.size() || text_[pos_] != '"' || !ParseString(key)) {
                return false;
            }
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != ':') {
                return false;
            }
            ++pos_;
            SkipSpace();
            JsonValue value;
            if (!ParseValue(value, depth)) {
                return false;
            }
            members.emplace_back(std::move(key), std::move(value));
            return true;
        });
        if (ok) {
            out = JsonValue(std::move(members));
        }
        return ok;
    }

    std::string_view text_;
    int max_depth_;
    std::size_t pos_ = 0;
};

void WriteString(std::string& out, const std::string& raw) {
    static constexpr char kDigits[] = "0123456789abcdef";
    // Text from outside (paths, names) may not be UTF-8; the output must stay readable JSON.
    const std::string s = IsValidUtf8(raw) ? raw : Utf16ToUtf8(Utf8ToUtf16(raw));
    out += '"';
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20) {
                    out += "\\u00";
                    out += kDigits[b >> 4];
                    out += kDigits[b & 0x0F];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void WriteValue(std::string& out, const JsonValue& value) {
    switch (value.type()) {
        case JsonValue::Type::Null:
            out += "null";
            break;
        case JsonValue::Type::Bool:
            out += value.AsBool() ? "true" : "false";
            break;
        case JsonValue::Type::Int:
            out += std::to_string(value.AsInt());
            break;
        case JsonValue::Type::String:
            WriteString(out, value.AsString());
            break;
        case JsonValue::Type::Array: {
            out += '[';
            bool first = true;
            for (const JsonValue& item : value.AsArray()) {
                if (!first) {
                    out += ',';
                }
                first = false;
                WriteValue(out, item);
            }
            out += ']';
            break;
        }
        case JsonValue::Type::Object: {
            out += '{';
            bool first = true;
            for (const auto& [key, member] : value.AsObject()) {
                if (!first) {
                    out += ',';
                }
                first = false;
                WriteString(out, key);
                out += ':';
                WriteValue(out, member);
            }
            out += '}';
            break;
        }
    }
}

}  // namespace

bool JsonValue::AsBool() const {
    const bool* v = std::get_if<bool>(&value_);
    return v != nullptr && *v;
}

std::int64_t JsonValue::AsInt() const {
    const std::int64_t* v = std::get_if<std::int64_t>(&value_);
    return v != nullptr ? *v : 0;
}

const std::string& JsonValue::AsString() const {
    const std::string* v = std::get_if<std::string>(&value_);
    return v != nullptr ? *v : kEmptyString;
}

const JsonValue::Array& JsonValue::AsArray() const {
    const Array* v = std::get_if<Array>(&value_);
    return v != nullptr ? *v : kEmptyArray;
}

const JsonValue::Object& JsonValue::AsObject() const {
    const Object* v = std::get_if<Object>(&value_);
    return v != nullptr ? *v : kEmptyObject;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const auto& [name, member] : AsObject()) {
        if (name == key) {
            return &member;
        }
    }
    return nullptr;
}

std::optional<std::int64_t> JsonValue::GetInt(std::string_view key) const {
    const JsonValue* v = Find(key);
    if (v == nullptr || !v->IsInt()) {
        return std::nullopt;
    }
    return v->AsInt();
}

std::optional<std::string> JsonValue::GetString(std::string_view key) const {
    const JsonValue* v = Find(key);
    if (v == nullptr || !v->IsString()) {
        return std::nullopt;
    }
    return v->AsString();
}

JsonValue& JsonValue::Set(std::string_view key, JsonValue value) {
    if (IsNull()) {
        value_ = Object{};
    }
    Object* members = std::get_if<Object>(&value_);
    if (members == nullptr) {
        return *this;
    }
    for (auto& [name, member] : *members) {
        if (name == key) {
            member = std::move(value);
            return *this;
        }
    }
    members->emplace_back(std::string(key), std::move(value));
    return *this;
}

void JsonValue::Push(JsonValue value) {
    if (IsNull()) {
        value_ = Array{};
    }
    if (Array* items = std::get_if<Array>(&value_)) {
        items->push_back(std::move(value));
    }
}

std::optional<JsonValue> ParseJson(std::string_view text, int max_depth) {
    return Parser(text, max_depth).ParseDocument();
}

std::string WriteJson(const JsonValue& value) {
    std::string out;
    WriteValue(out, value);
    return out;
}

}  // namespace veltra
