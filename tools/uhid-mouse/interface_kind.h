#pragma once

// The HID interfaces the mouse family presents to the host, and how a 64-byte protocol payload
// travels in each one's reports.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace veltra::uhid {

inline constexpr std::size_t kPayloadSize = 64;
using Payload = std::array<std::uint8_t, kPayloadSize>;

enum class InterfaceKind {
    // Cable or receiver: usage page 0x00C0, usage 0x0001, unnumbered 64-byte reports.
    Wired,
    // The same usage with report id 6 and 48-byte reports (49-byte output report).
    ShortForm,
    // Bluetooth: usage page 0xFF00, usage 0x000E, unnumbered 64-byte reports.
    Bluetooth,
};

struct InterfaceLayout {
    std::uint16_t usage_page = 0;
    std::uint16_t usage = 0;
    // 0 for unnumbered reports.
    std::uint8_t report_id = 0;
    // Data bytes of one input or output report, report id excluded.
    std::size_t report_size = 0;
    std::vector<std::uint8_t> descriptor;
};

std::optional<InterfaceKind> ParseInterfaceKind(std::string_view name);
InterfaceLayout LayoutFor(InterfaceKind kind);

// The payload carried by the data of a UHID_OUTPUT event. The kernel passes the report id byte
// first even for unnumbered reports. Reports for another id, or without their id byte, give
// nothing; short ones give what arrived.
std::optional<std::vector<std::uint8_t>> PayloadFromOutput(const InterfaceLayout& layout,
                                                           std::span<const std::uint8_t> data);

// The data of a UHID_INPUT2 event carrying `payload`: the report id first for numbered reports,
// then as much of the payload as one report holds.
std::vector<std::uint8_t> InputFromPayload(const InterfaceLayout& layout, const Payload& payload);

}  // namespace veltra::uhid
