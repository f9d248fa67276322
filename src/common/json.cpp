#include "common/json.h"

#include <limits>

namespace veltra {

std::optional<Json> DecodeJson(std::string_view text, const JsonLimits& limits) {
    if (text.size() > limits.max_length) {
        return std::nullopt;
    }
    // Refused parts are discarded by the parser as soon as they are seen, so a hostile text never
    // builds a deep tree; the flag turns any discard into a failure of the whole text.
    bool refused = false;
    const Json::parser_callback_t check = [&](int depth, Json::parse_event_t event, Json& parsed) {
        const bool nests =
            event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
        const bool beyond_int64 =
            parsed.is_number_unsigned() &&
            parsed.get<std::uint64_t>() >
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        if ((nests && depth >= limits.max_depth) ||
            (event == Json::parse_event_t::value && (parsed.is_number_float() || beyond_int64))) {
            refused = true;
            return false;
        }
        return true;
    };
    Json value = Json::parse(text.begin(), text.end(), check, /*allow_exceptions=*/false);
    if (refused || value.is_discarded()) {
        return std::nullopt;
    }
    return value;
}

std::string EncodeJson(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

const Json* FindMember(const Json& value, std::string_view key) {
    if (!value.is_object()) {
        return nullptr;
    }
    const auto it = value.find(key);
    return it != value.end() ? &*it : nullptr;
}

std::optional<std::int64_t> IntMember(const Json& value, std::string_view key) {
    const Json* member = FindMember(value, key);
    if (member == nullptr || !member->is_number_integer() ||
        (member->is_number_unsigned() &&
         member->get<std::uint64_t>() >
             static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))) {
        return std::nullopt;
    }
    return member->get<std::int64_t>();
}

std::optional<std::string> StringMember(const Json& value, std::string_view key) {
    const Json* member = FindMember(value, key);
    if (member == nullptr || !member->is_string()) {
        return std::nullopt;
    }
    return member->get<std::string>();
}

}  // namespace veltra
