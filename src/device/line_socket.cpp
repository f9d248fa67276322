#include "device/line_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veltra {
namespace {

using Clock = std::chrono::steady_clock;

// Rounded up, so that a wait never ends before its deadline.
int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

enum class Wait { Ready, Timeout, Error };

Wait WaitFor(int fd, short events, Clock::time_point deadline) {
    while (true) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, RemainingMs(deadline));
        if (r > 0) {
            return Wait::Ready;
        }
        if (r == 0) {
            return Wait::Timeout;
        }
        if (errno != EINTR) {
            return Wait::Error;
        }
    }
}

}  // namespace

std::unique_ptr<LineSocket> LineSocket::Connect(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        errno = path.empty() ? ENOENT : ENAMETOOLONG;
        return nullptr;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return nullptr;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    return std::unique_ptr<LineSocket>(new LineSocket(fd));
}

LineSocket::~LineSocket() {
    ::close(fd_);
}

bool LineSocket::SendLine(std::string_view line, std::chrono::milliseconds timeout) {
    std::string data(line);
    data += '\n';
    const Clock::time_point deadline = Clock::now() + timeout;
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitFor(fd_, POLLOUT, deadline) == Wait::Ready) {
            continue;
        }
        return false;
    }
    return true;
}

LineSocket::Status LineSocket::ReadLine(std::string& line, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (true) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            line.assign(pending_, 0, end);
            pending_.erase(0, end + 1);
            return Status::Line;
        }
        if (pending_.size() > kMaxLineLength) {
            return Status::TooLong;
        }
        char chunk[4096];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            pending_.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) {
            return Status::Closed;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Status::Closed;
        }
        switch (WaitFor(fd_, POLLIN, deadline)) {
            case Wait::Ready:
                break;
            case Wait::Timeout:
                return Status::Timeout;
            case Wait::Error:
                return Status::Closed;
        }
    }
}

}  // namespace veltra
