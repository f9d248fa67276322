#pragma once

// The HID port over an external peer process (bridge protocol version 1, JSON lines over a Unix
// stream socket), so a device model written in any language can stand in for the mouse.
//
// Every request waits a bounded time for its answer. A peer that dies, stalls or answers
// nonsense loses the connection: the devices opened over it fail every later call with -1,
// like unplugged ones, and the next Enumerate or Open connects afresh.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/hid_port.h"
#include "device/hotplug.h"

namespace veltra {

class LineSocket;

class BridgeBackend : public HidBackend {
  public:
    // `grace` is the wait for an answer beyond the time-out the request itself carries.
    explicit BridgeBackend(std::string socket_path,
                           std::chrono::milliseconds grace = std::chrono::seconds(1));
    ~BridgeBackend() override;

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    // What failed last on the way to the peer: connecting, an answer that did not come or could
    // not be read, or another protocol version. Cleared by the next successful connection.
    std::string LastFailure() const override;

    struct Connection;

  private:
    std::shared_ptr<Connection> connection_;
};

// Hot-plug events of a bridge peer, from a second connection that sent {"op":"watch"}.
class BridgeWatch {
  public:
    // nullptr when the peer cannot be reached or does not confirm the watch within `timeout`.
    static std::unique_ptr<BridgeWatch> Start(
        const std::string& socket_path,
        std::chrono::milliseconds timeout = std::chrono::seconds(1));
    ~BridgeWatch();
    BridgeWatch(const BridgeWatch&) = delete;
    BridgeWatch& operator=(const BridgeWatch&) = delete;

    // Becomes readable when events (or the end of the peer) are waiting; for the caller's poll.
    int fd() const;

    // Appends the events that arrive within `timeout` (0: only those already waiting; the wait
    // ends with the first line). False once the peer has gone or sent something unreadable.
    bool Poll(std::vector<HotplugEvent>& events,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

  private:
    explicit BridgeWatch(std::unique_ptr<LineSocket> socket);

    std::unique_ptr<LineSocket> socket_;
    bool alive_ = true;
};

}  // namespace veltra
