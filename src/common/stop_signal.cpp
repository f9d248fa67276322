#include "common/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

namespace veltra {

StopSignal::~StopSignal() {
    Close();
}

bool StopSignal::Open() {
    Close();
    int fds[2];
    if (::pipe(fds) != 0) {
        return false;
    }
    for (const int fd : fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    return true;
}

void StopSignal::Raise() {
    if (write_fd_ >= 0) {
        const char one = 1;
        [[maybe_unused]] const ssize_t written = ::write(write_fd_, &one, 1);
    }
}

void StopSignal::Close() {
    if (read_fd_ >= 0) {
        ::close(read_fd_);
        read_fd_ = -1;
    }
    if (write_fd_ >= 0) {
        ::close(write_fd_);
        write_fd_ = -1;
    }
}

}  // namespace veltra
