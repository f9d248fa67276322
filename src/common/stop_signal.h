#pragma once

// A file descriptor a polling thread watches beside its own, so another thread can wake it to
// stop. Raising it is async-signal-safe and never blocks.

namespace veltra {

class StopSignal {
  public:
    StopSignal() = default;
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    bool Open();
    void Raise();
    void Close();
    // The descriptor to poll for POLLIN; -1 when closed.
    int fd() const { return read_fd_; }

  private:
    int read_fd_ = -1;
    int write_fd_ = -1;
};

}  // namespace veltra
