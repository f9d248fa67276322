#pragma once

// What SimulatedBackend and the devices it opens share: the mice, the plugged devices, the open
// handles and the hot-plug listeners, under one lock. Only the backend's own files see it; they
// split its work into device I/O (simulated_backend.cpp), hot-plug dispatch
// (simulated_hotplug.cpp) and fault injection (simulated_faults.cpp).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/simulated_backend.h"

namespace veltra::sim {

struct SimulatedState {
    struct Interface {
        HidInterfaceInfo info;
        std::uint8_t report_id = 0;
        bool protocol = false;
    };

    struct Device {
        int mouse = 0;
        Link link = Link::Wired;
        PlugOptions options;
        std::vector<Interface> interfaces;
        bool plugged = false;
        FaultPlan fault;
    };

    struct DelayedReport {
        std::vector<std::uint8_t> bytes;
        int reads_left = 0;
    };

    struct Handle {
        int device = 0;
        std::size_t interface = 0;
        bool alive = true;
        std::deque<std::vector<std::uint8_t>> ready;
        std::vector<DelayedReport> delayed;
    };

    // Hot-plug events go out on their own thread, in the order they happened, as a device
    // monitor delivers them; so a listener never runs inside a caller's plug or write.
    struct PendingEvent {
        HotplugEvent event;
        // Listeners added after the event happened do not hear it.
        int listener_limit = 0;
    };

    explicit SimulatedState(BackendOptions backend_options) : options(backend_options) {}

    // The input report as a read returns it: unnumbered reports lose their id byte, numbered ones
    // keep it and carry as many payload bytes as the report holds.
    static std::vector<std::uint8_t> InputReport(const Interface& interface,
                                                 const Payload& payload);

    // Device I/O; the callers hold `mutex` except for Write, Read and Close, which take it.
    void Record(TrafficEntry::Op op, const std::string& path, std::span<const std::uint8_t> data,
                int result, int timeout_ms = 0);
    void Deliver(int device_id, std::size_t interface, const std::vector<std::uint8_t>& report,
                 int reads_left);
    void DeliverToMouse(int mouse, const Payload& payload);
    int Write(int handle_id, std::span<const std::uint8_t> data);
    int Read(int handle_id, std::span<std::uint8_t> buffer, int timeout_ms);
    void Close(int handle_id);

    // Hot-plug, with `mutex` held; DispatchLoop runs on `dispatcher` and takes it itself.
    void Announce(const Device& device, HotplugEvent::Kind kind);
    void Remove(int id, Device& device);
    void Insert(Device& device);
    // A restart command re-enumerates the mouse's cable and Bluetooth devices.
    void Restart(int mouse);
    void DispatchLoop();

    // Hands the mouse's answers to one write to the interface, shaped by the device's fault
    // plan, which counts the write; with `mutex` held.
    void AnswerWrite(int device_id, std::size_t interface_index,
                     std::span<const std::uint8_t> payload, std::vector<Payload> answers,
                     const FirmwareModel& firmware);

    BackendOptions options;
    mutable std::mutex mutex;
    std::condition_variable arrived;
    bool closed = false;
    std::deque<FirmwareModel> mice;
    std::map<int, Device> devices;
    int next_device = 1;
    std::map<int, Handle> handles;
    int next_handle = 1;
    std::vector<TrafficEntry> traffic;

    std::deque<PendingEvent> pending;
    std::map<int, std::shared_ptr<HotplugListener>> listeners;
    int next_listener = 1;
    bool delivering = false;
    bool stopping = false;
    std::condition_variable hotplug_changed;
    // Held while a listener runs, so that removing a listener waits for its last call.
    std::mutex dispatch;
    std::thread dispatcher;
};

}  // namespace veltra::sim
