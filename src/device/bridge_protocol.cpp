#include "device/bridge_protocol.h"

#include <algorithm>

namespace veltra::bridge {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::uint16_t> Field16(const Json& value, std::string_view key) {
    const std::optional<std::int64_t> v = IntMember(value, key);
    if (!v || *v < 0 || *v > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*v);
}

}  // namespace

std::string HexEncode(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> HexDecode(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return out;
}

Json HelloRequest() {
    return {{"op", "hello"}, {"version", kVersion}};
}

Json EnumerateRequest() {
    return {{"op", "enumerate"}};
}

Json OpenRequest(const std::string& path) {
    return {{"op", "open"}, {"path", path}};
}

Json WriteRequest(std::int64_t handle, std::span<const std::uint8_t> data) {
    return {{"op", "write"}, {"handle", handle}, {"data", HexEncode(data)}};
}

Json ReadRequest(std::int64_t handle, std::size_t length, int timeout_ms) {
    return {{"op", "read"}, {"handle", handle}, {"length", length}, {"timeout_ms", timeout_ms}};
}

Json CloseRequest(std::int64_t handle) {
    return {{"op", "close"}, {"handle", handle}};
}

Json WatchRequest() {
    return {{"op", "watch"}};
}

Json InterfaceToJson(const HidInterfaceInfo& info) {
    return {{"path", info.path},
            {"vendor_id", info.vendor_id},
            {"product_id", info.product_id},
            {"release_number", info.release_number},
            {"usage_page", info.usage_page},
            {"usage", info.usage},
            {"output_report_length", info.output_report_length}};
}

std::optional<HidInterfaceInfo> InterfaceFromJson(const Json& value) {
    HidInterfaceInfo info;
    const std::optional<std::string> path = StringMember(value, "path");
    const auto vendor = Field16(value, "vendor_id");
    const auto product = Field16(value, "product_id");
    const auto release = Field16(value, "release_number");
    const auto page = Field16(value, "usage_page");
    const auto usage = Field16(value, "usage");
    const std::optional<std::int64_t> length = IntMember(value, "output_report_length");
    if (!path || !vendor || !product || !release || !page || !usage || !length || *length < 0 ||
        *length > 0xFFFF) {
        return std::nullopt;
    }
    info.path = *path;
    info.vendor_id = *vendor;
    info.product_id = *product;
    info.release_number = *release;
    info.usage_page = *page;
    info.usage = *usage;
    info.output_report_length = static_cast<int>(*length);
    return info;
}

Json EnumerateAnswer(const std::vector<HidInterfaceInfo>& interfaces) {
    Json list = Json::array();
    for (const HidInterfaceInfo& info : interfaces) {
        list.push_back(InterfaceToJson(info));
    }
    return {{"interfaces", std::move(list)}};
}

Json HandleAnswer(std::int64_t handle) {
    return {{"handle", handle}};
}

Json ResultAnswer(std::int64_t result) {
    return {{"result", result}};
}

Json ReadAnswer(std::span<const std::uint8_t> data, int count) {
    if (count < 0) {
        return ResultAnswer(-1);
    }
    return {{"data", HexEncode(data.first(std::min<std::size_t>(count, data.size())))}};
}

}  // namespace veltra::bridge
