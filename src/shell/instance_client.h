#pragma once

// The sending side of the single-instance channel (instance_channel.h), for every process that
// asks the running window for something: a second start of the window, veltractl. Any thread.

#include <chrono>
#include <filesystem>
#include <optional>

#include "shell/instance_channel.h"

namespace veltra {

enum class InstanceConnect {
    Retry,  // the first instance may still be starting: connecting is retried until the limit
    Once,   // a socket nobody listens on means no window runs
};

// Sends one request and waits for its answer, all within `timeout`; nullopt when nothing
// answers in time or the answer is no reply of the protocol.
std::optional<InstanceReply> SendInstanceRequest(const std::filesystem::path& socket_path,
                                                 const InstanceRequest& request,
                                                 std::chrono::milliseconds timeout,
                                                 InstanceConnect connect = InstanceConnect::Retry);

}  // namespace veltra
