#include "responder.h"

namespace veltra::uhid {

namespace {

constexpr std::uint8_t kStatusCommand = 0x00;
constexpr std::uint8_t kConfigCommand = 0x01;
constexpr std::size_t kModeByte = 4;
constexpr std::size_t kEnableMaskByte = 23;
constexpr std::size_t kFirstDpiByte = 28;

Payload Header(std::uint8_t marker, std::uint8_t command, std::uint8_t length) {
    Payload p{};
    p[0] = 0x55;
    p[1] = marker;
    p[2] = command;
    p[3] = length;
    return p;
}

}  // namespace

MinimalResponder::MinimalResponder()
    : status_(Header(0xAA, kStatusCommand, 0x1C)), config_(Header(0xAA, kConfigCommand, 0x20)) {
    status_[4] = 0x00;  // on battery
    status_[5] = 80;    // percent
    // 1000 Hz, idle-light code 2, level 1 active; four levels enabled.
    config_[kModeByte] = 1 << 5 | 2 << 2 | 0;
    config_[kEnableMaskByte] = 0x0F;
    const std::uint8_t dpi_codes[] = {8, 16, 32, 64, 96, 112, 128, 128};  // units of 50 / 100
    for (std::size_t i = 0; i < 8; ++i) {
        config_[kFirstDpiByte + i] = dpi_codes[i];
    }
}

std::vector<Payload> MinimalResponder::Receive(std::span<const std::uint8_t> payload) {
    if (payload.size() < 3 || payload[0] != 0x55 || payload[1] != 0xAA) {
        return {};
    }
    switch (payload[2]) {
        case kStatusCommand:
            return {status_};
        case kConfigCommand:
            return {config_};
        default:
            return {};
    }
}

Payload MinimalResponder::PressDpiButton() {
    const int active = config_[kModeByte] >> 5;
    int next = active;
    for (int step = 1; step <= 8; ++step) {
        const int candidate = (active + step) % 8;
        if (config_[kEnableMaskByte] & (1 << candidate)) {
            next = candidate;
            break;
        }
    }
    config_[kModeByte] = static_cast<std::uint8_t>((config_[kModeByte] & 0x1F) | next << 5);
    Payload note = Header(0xBB, kConfigCommand, 0x20);
    note[kModeByte] = config_[kModeByte];
    return note;
}

}  // namespace veltra::uhid
