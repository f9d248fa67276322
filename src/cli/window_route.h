#pragma once

// One owner of the mouse. While the window runs, its device worker owns the mouse: its reader
// takes every input report, and the mouse's settings answers look like its notices. So veltractl
// hands every command that talks to the mouse or the store to the window over the
// single-instance socket (shell/instance_channel.h, docs/instance-protocol.md); the window runs
// the very same command on its worker and sends back what it printed and its exit status.

#include <chrono>
#include <memory>
#include <optional>

#include "cli/command_line.h"
#include "device/device_state.h"
#include "shell/instance_channel.h"

namespace veltra::cli {

class TrafficTap;

// The longest veltractl waits for the window. A macro upload to a real mouse takes seconds per
// chunk, and the worker may first finish tasks of the window's own.
inline constexpr std::chrono::seconds kWindowAnswerLimit{120};

// veltractl's side. The exit status of the command the running window carried out, after its
// output was printed here; nullopt when no window runs or the window's device link is not the
// one asked for (--demo beside the real mouse or the reverse), so the caller runs the command
// itself. `arguments` is the command line as given.
std::optional<int> RunThroughWindow(const Args& arguments, const Invocation& invocation,
                                    std::chrono::milliseconds limit = kWindowAnswerLimit);

// With --direct: a warning on stderr when a window runs.
void WarnWhenWindowRuns();

// The window's side: what it hands the commands it carries out.
struct WindowLink {
    DriverComm* comm = nullptr;
    ProfileStore* store = nullptr;
    // Over the window's backend, not recording until a command runs.
    std::shared_ptr<TrafficTap> tap;
    bool simulated = false;
    bool hidraw = false;
};

// Runs a command request on the calling thread, the device worker, with its working state.
CommandOutcome CarryOutForWindow(const InstanceRequest& request, const WindowLink& link,
                                 DeviceState& state);

}  // namespace veltra::cli
