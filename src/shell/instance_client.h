#pragma once

// The sending side of the single-instance channel (instance_channel.h), for every process that
// asks the running window for something: a second start of the window, veltractl; and the
// receiving side's check of who connected. Any thread.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "shell/instance_channel.h"

namespace veltra {

enum class InstanceConnect {
    Retry,  // the first instance may still be starting: connecting is retried until the limit
    Once,   // a socket nobody listens on means no window runs
};

// Why a request got no reply.
enum class InstanceFailure {
    None,
    NotRunning,  // nothing listens on the socket
    Closed,      // the window closed the connection before it answered
    TimedOut,    // no answer within the time allowed
    BadReply,    // the answer is no reply of the protocol (detail says why)
};

struct InstanceExchange {
    std::optional<InstanceReply> reply;
    InstanceFailure failure = InstanceFailure::None;
    std::string detail;
};

// Sends one request and waits for its answer, all within `timeout`.
InstanceExchange ExchangeInstanceRequest(const std::filesystem::path& socket_path,
                                         const InstanceRequest& request,
                                         std::chrono::milliseconds timeout,
                                         InstanceConnect connect = InstanceConnect::Retry);

// The same, for a sender that needs only the reply: nullopt for every failure.
std::optional<InstanceReply> SendInstanceRequest(const std::filesystem::path& socket_path,
                                                 const InstanceRequest& request,
                                                 std::chrono::milliseconds timeout,
                                                 InstanceConnect connect = InstanceConnect::Retry);

// True when something listens on the socket (a window runs); nothing is sent.
bool InstanceListening(const std::filesystem::path& socket_path);

// The receiving side's check: true when the process at the other end of the connected Unix socket
// `socket_fd` runs as this process's effective user. The socket file's mode keeps others out
// only where the file system honours it; this asks the kernel who connected.
bool PeerIsSameUser(int socket_fd);

}  // namespace veltra
