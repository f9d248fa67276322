#pragma once

// What answers the host's output reports: the mouse's firmware as seen through one interface.

#include <cstdint>
#include <span>
#include <vector>

#include "interface_kind.h"

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

// Enough of the mouse for the device link to find and read it: it answers the status and
// config reads from fixed blocks and takes every other command silently. The DPI button steps
// through the enabled levels.
class MinimalResponder : public Responder {
  public:
    MinimalResponder();

    std::vector<Payload> Receive(std::span<const std::uint8_t> payload) override;
    Payload PressDpiButton() override;

  private:
    Payload status_{};
    Payload config_{};
};

}  // namespace veltra::uhid
