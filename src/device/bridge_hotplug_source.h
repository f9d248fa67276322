#pragma once

// The hot-plug source of a bridge peer.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "common/stop_signal.h"
#include "device/hotplug.h"

namespace veltra {

class BridgeWatch;

// The {"op":"watch"} connection of a bridge peer, read on a thread of its own. A peer that
// goes away ends the events; the source says nothing more.
class BridgeHotplugSource : public HotplugSource {
  public:
    explicit BridgeHotplugSource(std::string socket_path);
    ~BridgeHotplugSource() override;

    bool Start(Sink sink) override;
    void Stop() override;

  private:
    void Run(Sink sink);

    std::string socket_path_;
    std::unique_ptr<BridgeWatch> watch_;
    StopSignal stop_;
    std::thread thread_;
};

}  // namespace veltra
