#include <ostream>
#include <string>

#include "responder.h"

namespace veltra::uhid {

namespace {

sim::FirmwareOptions WithoutFrameRecord(sim::FirmwareOptions options) {
    // The log file keeps the frames; the model's own list would only grow in a long session.
    options.record_frames = false;
    return options;
}

}  // namespace

FirmwareResponder::FirmwareResponder(sim::FirmwareOptions options, std::ostream* frame_log)
    : model_(WithoutFrameRecord(options)), frame_log_(frame_log) {}

std::vector<Payload> FirmwareResponder::Receive(std::span<const std::uint8_t> payload) {
    if (frame_log_ != nullptr) {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string line;
        line.reserve(2 * payload.size() + 1);
        for (const std::uint8_t byte : payload) {
            line += kDigits[byte >> 4];
            line += kDigits[byte & 0x0F];
        }
        line += '\n';
        *frame_log_ << line << std::flush;
    }
    return model_.Receive(payload);
}

Payload FirmwareResponder::PressDpiButton() {
    return model_.PressDpiButton();
}

}  // namespace veltra::uhid
