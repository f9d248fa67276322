#include "shell/instance_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

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

std::optional<InstanceReply> SendInstanceRequest(const std::filesystem::path& socket_path,
                                                 const InstanceRequest& request,
                                                 std::chrono::milliseconds timeout,
                                                 InstanceConnect connect) {
    const Clock::time_point deadline = Clock::now() + timeout;
    UniqueFd socket;
    for (;;) {
        socket = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!socket) {
            return std::nullopt;
        }
        if (Connect(socket.get(), socket_path)) {
            break;
        }
        if (connect == InstanceConnect::Once || Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!SendAll(socket.get(), EncodeInstanceRequest(request), deadline)) {
        return std::nullopt;
    }
    std::string answer;
    char buffer[512];
    while (answer.find('\n') == std::string::npos && answer.size() <= kInstanceLineLimit) {
        if (!WaitFor(socket.get(), POLLIN, deadline)) {
            return std::nullopt;
        }
        const ssize_t got = ::recv(socket.get(), buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t end = answer.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    InstanceReply reply = DecodeInstanceReply(std::string_view(answer).substr(0, end));
    if (!reply.valid) {
        return std::nullopt;
    }
    return reply;
}

}  // namespace veltra
