#include "device/bridge_hotplug_source.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "device/bridge_backend.h"

namespace veltra {

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
    if (!stop_.Open()) {
        watch_.reset();
        return false;
    }
    thread_ = std::thread([this, sink = std::move(sink)] { Run(sink); });
    return true;
}

void BridgeHotplugSource::Stop() {
    if (thread_.joinable()) {
        stop_.Raise();
        thread_.join();
    }
    stop_.Close();
    watch_.reset();
}

void BridgeHotplugSource::Run(Sink sink) {
    for (;;) {
        pollfd fds[2] = {{watch_->fd(), POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
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
