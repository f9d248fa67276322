#include "platform/linux/hidraw_access.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

namespace veltra {
namespace {

// A uevent file holds a few hundred bytes; anything past this is not one.
constexpr std::size_t kMaxUeventSize = 4096;

std::optional<unsigned> NodeNumber(const std::string& name) {
    constexpr std::string_view kPrefix = "hidraw";
    if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) {
        return std::nullopt;
    }
    unsigned number = 0;
    const char* first = name.data() + kPrefix.size();
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return number;
}

std::string ReadHead(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    std::string text(kMaxUeventSize, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

// One hexadecimal field of exactly `digits` digits.
std::optional<std::uint32_t> HexField(std::string_view text, std::size_t digits) {
    if (text.size() != digits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The vendor and product of the kernel's "HID_ID=bbbb:vvvvvvvv:pppppppp" line.
std::optional<std::pair<std::uint32_t, std::uint32_t>> ParseHidId(std::string_view uevent) {
    constexpr std::string_view kKey = "HID_ID=";
    while (!uevent.empty()) {
        const std::size_t end = std::min(uevent.find('\n'), uevent.size());
        const std::string_view line = uevent.substr(0, end);
        uevent.remove_prefix(std::min(end + 1, uevent.size()));
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        const std::string_view id = line.substr(kKey.size());
        if (id.size() != 22 || id[4] != ':' || id[13] != ':' || !HexField(id.substr(0, 4), 4)) {
            return std::nullopt;
        }
        const auto vendor = HexField(id.substr(5, 8), 8);
        const auto product = HexField(id.substr(14, 8), 8);
        if (!vendor || !product) {
            return std::nullopt;
        }
        return std::pair{*vendor, *product};
    }
    return std::nullopt;
}

}  // namespace

std::vector<InaccessibleNode> FindInaccessibleHidrawNodes(
    const std::vector<std::pair<int, int>>& supported_pairs,
    const std::filesystem::path& sysfs_class, const std::filesystem::path& dev,
    const AccessProbe& probe) {
    std::vector<std::pair<unsigned, InaccessibleNode>> found;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(sysfs_class, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::optional<unsigned> number = NodeNumber(name);
        if (!number) {
            continue;
        }
        const auto id = ParseHidId(ReadHead(it->path() / "device" / "uevent"));
        if (!id) {
            continue;
        }
        const auto supported = std::find_if(
            supported_pairs.begin(), supported_pairs.end(), [&id](const std::pair<int, int>& pair) {
                return static_cast<std::int64_t>(pair.first) == id->first &&
                       static_cast<std::int64_t>(pair.second) == id->second;
            });
        if (supported == supported_pairs.end()) {
            continue;
        }
        const std::string node = (dev / name).string();
        if (probe(node) == OpenError::PermissionDenied) {
            found.push_back({*number, {node, supported->first, supported->second}});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<InaccessibleNode> nodes;
    nodes.reserve(found.size());
    for (auto& entry : found) {
        nodes.push_back(std::move(entry.second));
    }
    return nodes;
}

}  // namespace veltra
