#pragma once

// A Unix stream socket carrying text lines, with every wait bounded.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace veltra {

class LineSocket {
  public:
    // TooLong: the peer sent more than kMaxLineLength without a newline; nothing more is read.
    enum class Status { Line, Timeout, Closed, TooLong };

    // Longer lines mean a confused or hostile peer.
    static constexpr std::size_t kMaxLineLength = 1 << 20;

    // nullptr when nothing listens at `path`; errno then tells why.
    static std::unique_ptr<LineSocket> Connect(const std::string& path);

    ~LineSocket();
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // Sends `line` and a newline; false when the peer is gone or does not take it in time.
    bool SendLine(std::string_view line, std::chrono::milliseconds timeout);

    // Waits at most `timeout` for one whole line (without its newline).
    Status ReadLine(std::string& line, std::chrono::milliseconds timeout);

    // Readable when data or the end of the stream is waiting.
    int fd() const { return fd_; }

  private:
    explicit LineSocket(int fd) : fd_(fd) {}

    int fd_;
    std::string pending_;
};

}  // namespace veltra
