#pragma once

// Where a command's text goes. A command run here writes to the process's stdout and stderr; one
// the window runs for another veltractl writes into two texts that are sent back and printed
// there. The choice is the calling thread's, so the window's worker can capture a command while
// other threads print as usual.

#include <string>

namespace veltra::cli {

// printf-style text on the command's standard output or error stream.
void Out(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Err(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Makes what Out wrote so far visible (before a question on the terminal).
void FlushOut();

// While one lives, this thread's Out and Err go into it. Not nested.
class OutputCapture {
  public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

  private:
    friend void Out(const char*, ...);
    friend void Err(const char*, ...);
    std::string out_;
    std::string err_;
};

}  // namespace veltra::cli
