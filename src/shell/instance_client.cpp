#include "shell/instance_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/unique_fd.h"

namespace veltra {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool Connect(int fd, const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string native = path.string();
    if (native.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, native.c_str(), native.size() + 1);
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd entry{.fd = fd, .events = events, .revents = 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool SendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        if (!WaitFor(fd, POLLOUT, deadline)) {
            return false;
        }
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

}  // namespace

InstanceExchange ExchangeInstanceRequest(const std::filesystem::path& socket_path,
                                         const InstanceRequest& request,
                                         std::chrono::milliseconds timeout,
                                         InstanceConnect connect) {
    const Clock::time_point deadline = Clock::now() + timeout;
    InstanceExchange exchange;
    UniqueFd socket;
    for (;;) {
        socket = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (socket && Connect(socket.get(), socket_path)) {
            break;
        }
        if (!socket || connect == InstanceConnect::Once || Clock::now() >= deadline) {
            exchange.failure = InstanceFailure::NotRunning;
            return exchange;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // A window that refuses the sender answers and closes before reading the request, so a send
    // that fails may still have an answer waiting: it is read either way.
    if (!SendAll(socket.get(), EncodeInstanceRequest(request), deadline) &&
        Clock::now() >= deadline) {
        exchange.failure = InstanceFailure::TimedOut;
        return exchange;
    }
    std::string answer;
    std::vector<char> buffer(64 * 1024);
    std::size_t scanned = 0;
    while (answer.find('\n', scanned) == std::string::npos) {
        scanned = answer.size();
        if (answer.size() > kInstanceReplyLimit) {
            exchange.failure = InstanceFailure::BadReply;
            exchange.detail =
                "a reply longer than " + std::to_string(kInstanceReplyLimit) + " bytes";
            return exchange;
        }
        if (!WaitFor(socket.get(), POLLIN, deadline)) {
            exchange.failure = InstanceFailure::TimedOut;
            return exchange;
        }
        const ssize_t got = ::recv(socket.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            exchange.failure = InstanceFailure::Closed;
            return exchange;
        }
        answer.append(buffer.data(), static_cast<std::size_t>(got));
    }
    const std::size_t end = answer.find('\n');
    InstanceReply reply = DecodeInstanceReply(std::string_view(answer).substr(0, end));
    if (!reply.valid) {
        exchange.failure = InstanceFailure::BadReply;
        exchange.detail = reply.error;
        return exchange;
    }
    exchange.reply = std::move(reply);
    return exchange;
}

std::optional<InstanceReply> SendInstanceRequest(const std::filesystem::path& socket_path,
                                                 const InstanceRequest& request,
                                                 std::chrono::milliseconds timeout,
                                                 InstanceConnect connect) {
    return ExchangeInstanceRequest(socket_path, request, timeout, connect).reply;
}

bool InstanceListening(const std::filesystem::path& socket_path) {
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return socket && Connect(socket.get(), socket_path);
}

bool PeerIsSameUser(int socket_fd) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    return ::getsockopt(socket_fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           length == sizeof(credentials) && credentials.uid == ::geteuid();
}

}  // namespace veltra
