#include "sim/simulated_hotplug_source.h"

#include "sim/simulated_backend.h"

namespace veltra::sim {

SimulatedHotplugSource::SimulatedHotplugSource(SimulatedBackend& backend) : backend_(backend) {}

SimulatedHotplugSource::~SimulatedHotplugSource() {
    Stop();
}

bool SimulatedHotplugSource::Start(Sink sink) {
    Stop();
    listener_ = backend_.AddHotplugListener([sink = std::move(sink)](const HotplugEvent& e) {
        sink({e.kind == HotplugEvent::Kind::Arrival ? veltra::HotplugEvent::Kind::Arrival
                                                    : veltra::HotplugEvent::Kind::Removal,
              e.path,
              {}});
    });
    return true;
}

void SimulatedHotplugSource::Stop() {
    if (listener_ != 0) {
        backend_.RemoveHotplugListener(listener_);
        listener_ = 0;
    }
}

}  // namespace veltra::sim
