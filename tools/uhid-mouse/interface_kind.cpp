#include "interface_kind.h"

#include <algorithm>

namespace veltra::uhid {

namespace {

// One vendor-defined application collection with a byte array each way.
std::vector<std::uint8_t> VendorDescriptor(std::uint16_t usage_page, std::uint8_t usage,
                                           std::uint8_t report_id, std::uint8_t report_size) {
    std::vector<std::uint8_t> d;
    if (usage_page <= 0xFF) {
        d.insert(d.end(), {0x05, static_cast<std::uint8_t>(usage_page)});
    } else {
        d.insert(d.end(), {0x06, static_cast<std::uint8_t>(usage_page & 0xFF),
                           static_cast<std::uint8_t>(usage_page >> 8)});
    }
    d.insert(d.end(), {0x09, usage, 0xA1, 0x01});
    if (report_id != 0) {
        d.insert(d.end(), {0x85, report_id});
    }
    d.insert(d.end(), {
                          0x15, 0x00,                     // Logical Minimum (0)
                          0x26, 0xFF,        0x00,        // Logical Maximum (255)
                          0x75, 0x08,                     // Report Size (8)
                          0x95, report_size,              // Report Count
                          0x09, 0x02,        0x81, 0x02,  // Usage (2), Input (Data, Var, Abs)
                          0x95, report_size,              // Report Count
                          0x09, 0x03,        0x91, 0x02,  // Usage (3), Output (Data, Var, Abs)
                          0xC0,                           // End Collection
                      });
    return d;
}

}  // namespace

std::optional<InterfaceKind> ParseInterfaceKind(std::string_view name) {
    if (name == "wired") {
        return InterfaceKind::Wired;
    }
    if (name == "short") {
        return InterfaceKind::ShortForm;
    }
    if (name == "bluetooth") {
        return InterfaceKind::Bluetooth;
    }
    return std::nullopt;
}

InterfaceLayout LayoutFor(InterfaceKind kind) {
    InterfaceLayout layout;
    switch (kind) {
        case InterfaceKind::Wired:
            layout.usage_page = 0x00C0;
            layout.usage = 0x0001;
            layout.report_size = 64;
            break;
        case InterfaceKind::ShortForm:
            layout.usage_page = 0x00C0;
            layout.usage = 0x0001;
            layout.report_id = 6;
            layout.report_size = 48;
            break;
        case InterfaceKind::Bluetooth:
            layout.usage_page = 0xFF00;
            layout.usage = 0x000E;
            layout.report_size = 64;
            break;
    }
    layout.descriptor =
        VendorDescriptor(layout.usage_page, static_cast<std::uint8_t>(layout.usage),
                         layout.report_id, static_cast<std::uint8_t>(layout.report_size));
    return layout;
}

std::optional<std::vector<std::uint8_t>> PayloadFromOutput(const InterfaceLayout& layout,
                                                           std::span<const std::uint8_t> data) {
    if (data.empty() || data[0] != layout.report_id) {
        return std::nullopt;
    }
    const auto body = data.subspan(1, std::min(data.size() - 1, layout.report_size));
    return std::vector<std::uint8_t>(body.begin(), body.end());
}

std::vector<std::uint8_t> InputFromPayload(const InterfaceLayout& layout, const Payload& payload) {
    std::vector<std::uint8_t> data;
    if (layout.report_id != 0) {
        data.push_back(layout.report_id);
    }
    const auto length = std::min(layout.report_size, payload.size());
    data.insert(data.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
    return data;
}

}  // namespace veltra::uhid
