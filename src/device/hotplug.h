#pragma once

// Device arrival and removal, from whichever source the platform has, handed to the UI thread.
// Sources call their sink on their own thread; the sink is normally HotplugQueue::Post, and the
// UI thread (or the CLI's main thread) drains the queue and runs the matching rules there.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace veltra {

struct HotplugEvent {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    // The interface path in the form the matching rules read (the Windows interface form).
    std::string path;
    // The path the HID backend opens, when it differs from `path` (a hidraw node); else empty.
    std::string node;
};

class HotplugSource {
  public:
    using Sink = std::function<void(const HotplugEvent&)>;

    virtual ~HotplugSource() = default;
    // Begins delivering events to `sink`, one at a time; false when nothing can be watched.
    virtual bool Start(Sink sink) = 0;
    // Once this returns the sink is not called any more.
    virtual void Stop() = 0;
};

// The hand-over from the sources' threads to the thread that handles notifications.
class HotplugQueue {
  public:
    // `notify` runs on the posting thread after each event, e.g. to wake the UI event loop.
    explicit HotplugQueue(std::function<void()> notify = {});

    void Post(const HotplugEvent& event);
    HotplugSource::Sink Sink();

    // Every waiting event, oldest first.
    std::vector<HotplugEvent> TakeAll();
    // True when an event is waiting, at once or within `timeout`.
    bool WaitFor(std::chrono::milliseconds timeout);

  private:
    std::function<void()> notify_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<HotplugEvent> events_;
};

// Starts `source` delivering into `queue`; the window does this once, after the configuration
// load. False when the source cannot watch (the program then only sees devices at rescans).
bool RegisterForDeviceNotifications(HotplugSource& source, HotplugQueue& queue);

}  // namespace veltra
