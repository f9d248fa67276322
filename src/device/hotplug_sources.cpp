#include "device/hotplug_sources.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "device/bridge_backend.h"
#include "sim/simulated_backend.h"

namespace veltra {

SimulatedHotplugSource::SimulatedHotplugSource(sim::SimulatedBackend& backend)
    : backend_(backend) {}

SimulatedHotplugSource::~SimulatedHotplugSource() {
    Stop();
}

bool SimulatedHotplugSource::Start(Sink sink) {
    Stop();
    listener_ = backend_.AddHotplugListener([sink = std::move(sink)](const sim::HotplugEvent& e) {
        sink({e.kind == sim::HotplugEvent::Kind::Arrival ? HotplugEvent::Kind::Arrival
                                                         : HotplugEvent::Kind::Removal,
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

BridgeHotplugSource::BridgeHotplugSource(std::string socket_path)
    : socket_path_(std::move(socket_path)) {}

BridgeHotplugSource::~BridgeHotplugSource() {
    Stop();
}

bool BridgeHotplugSource::Start(Sink sink) {
    Stop();
    watch_ = BridgeWatch::Start(socket_path_);
    if (!watch_) {
        return false;
    }
    stop_fd_ = ::eventfd(0, EFD_CLOEXEC);
    if (stop_fd_ < 0) {
        watch_.reset();
        return false;
    }
    thread_ = std::thread([this, sink = std::move(sink)] { Run(sink); });
    return true;
}

void BridgeHotplugSource::Stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(stop_fd_, &one, sizeof one);
        thread_.join();
    }
    if (stop_fd_ >= 0) {
        ::close(stop_fd_);
        stop_fd_ = -1;
    }
    watch_.reset();
}

void BridgeHotplugSource::Run(Sink sink) {
    for (;;) {
        pollfd fds[2] = {{watch_->fd(), POLLIN, 0}, {stop_fd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        std::vector<HotplugEvent> events;
        const bool alive = watch_->Poll(events);
        for (const HotplugEvent& event : events) {
            sink(event);
        }
        if (!alive) {
            return;
        }
    }
}

}  // namespace veltra
