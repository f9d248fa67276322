#pragma once

// Hot-plug sources other than the platform's own: the simulated bus and a bridge peer's watch.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "common/stop_signal.h"
#include "device/hotplug.h"

namespace veltra {

namespace sim {
class SimulatedBackend;
}

class BridgeWatch;

// Plug and unplug on the simulated bus; events come on the backend's own hot-plug thread.
class SimulatedHotplugSource : public HotplugSource {
  public:
    explicit SimulatedHotplugSource(sim::SimulatedBackend& backend);
    ~SimulatedHotplugSource() override;

    bool Start(Sink sink) override;
    void Stop() override;

  private:
    sim::SimulatedBackend& backend_;
    int listener_ = 0;
};

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
