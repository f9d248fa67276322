#pragma once

// What answers the host's output reports: the mouse's firmware as seen through one interface.

#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

#include "interface_kind.h"
#include "sim/firmware_model.h"

namespace veltra::uhid {

class Responder {
  public:
    virtual ~Responder() = default;

    // One output payload as it reached the mouse (48 bytes on short-form interfaces, else 64);
    // returns the input payloads the mouse sends back, in order.
    virtual std::vector<Payload> Receive(std::span<const std::uint8_t> payload) = 0;

    // The DPI button was pressed; returns the notification the mouse sends on its own.
    virtual Payload PressDpiButton() = 0;
};

// The simulated firmware behind a uhid interface. Every payload that arrives is also written to
// `frame_log` as one line of lower-case hex, flushed at once, so that a test running beside the
// mouse can compare what the host sent with what the kernel delivered.
class FirmwareResponder : public Responder {
  public:
    // `frame_log` may be null; not owned.
    explicit FirmwareResponder(sim::FirmwareOptions options = {},
                               std::ostream* frame_log = nullptr);

    std::vector<Payload> Receive(std::span<const std::uint8_t> payload) override;
    Payload PressDpiButton() override;

    const sim::FirmwareModel& model() const { return model_; }

  private:
    sim::FirmwareModel model_;
    std::ostream* frame_log_;
};

}  // namespace veltra::uhid
