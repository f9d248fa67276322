#pragma once

// Runs the built veltractl as a user would: a separate process with its own environment, a
// fresh data and settings folder, and the build's program folder.

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace veltra::test {

struct CliResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// A veltractl process that was started and not yet waited for.
struct CliProcess {
    pid_t pid = -1;
    std::string out_file;
    std::string err_file;
};

class CliRunner {
  public:
    CliRunner();

    // Extra environment for every later run (VELTRA_HID_RECORD, VELTRA_HID_BRIDGE...).
    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
    CliResult Run(const std::vector<std::string>& args);
    // Run in two halves, so that several processes can work at once.
    CliProcess Start(const std::vector<std::string>& args);
    CliResult Finish(const CliProcess& process);

    const TempDir& dir() const { return dir_; }

  private:
    TempDir dir_;
    std::map<std::string, std::string> env_;
    int runs_ = 0;
};

}  // namespace veltra::test
