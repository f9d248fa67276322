#pragma once

#include "device/hotplug.h"

namespace veltra::sim {

class SimulatedBackend;

// Plug and unplug on the simulated bus; events come on the backend's own hot-plug thread.
class SimulatedHotplugSource : public HotplugSource {
  public:
    explicit SimulatedHotplugSource(SimulatedBackend& backend);
    ~SimulatedHotplugSource() override;

    bool Start(Sink sink) override;
    void Stop() override;

  private:
    SimulatedBackend& backend_;
    int listener_ = 0;
};

}  // namespace veltra::sim
