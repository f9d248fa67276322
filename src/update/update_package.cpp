#include "update/update_package.h"

#include <algorithm>
#include <cctype>

namespace veltra {
namespace {

std::string Named(std::string_view pattern_start, std::string_view version,
                  std::string_view ending) {
    std::string name(pattern_start);
    name += version;
    name += ending;
    return name;
}

bool AllDigits(std::string_view part) {
    return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// Digits compare by value: leading zeros drop, then the longer number is the larger.
int CompareNumbers(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

std::string_view NextPart(std::string_view& rest) {
    const std::size_t dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    rest = dot == std::string_view::npos ? std::string_view{} : rest.substr(dot + 1);
    return part;
}

}  // namespace

std::string ArchiveName(UpdatePackage package, std::string_view version) {
    return package == UpdatePackage::Driver ? Named("Zephrin-Driver-", version, ".zip")
                                            : Named("FirmwareUpdateTool-", version, ".zip");
}

std::vector<std::string> ProgramNames(UpdatePackage package, std::string_view version) {
    if (package == UpdatePackage::Driver) {
        return {Named("zephrin-", version, ""), Named("Zephrin-Driver-", version, "")};
    }
    return {Named("FirmwareUpdateTool-", version, "")};
}

std::string JoinAddress(std::string_view base, std::string_view name) {
    while (!base.empty() && base.back() == '/') {
        base.remove_suffix(1);
    }
    while (!name.empty() && name.front() == '/') {
        name.remove_prefix(1);
    }
    std::string address(base);
    address += '/';
    address += name;
    return address;
}

int CompareVersions(std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty()) {
        std::string_view left = NextPart(a);
        std::string_view right = NextPart(b);
        if (left.empty()) {
            left = "0";
        }
        if (right.empty()) {
            right = "0";
        }
        const int order = AllDigits(left) && AllDigits(right)
                              ? CompareNumbers(left, right)
                              : (left < right ? -1 : (left == right ? 0 : 1));
        if (order != 0) {
            return order;
        }
    }
    return 0;
}

}  // namespace veltra
