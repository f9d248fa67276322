#pragma once

// Runs the built veltractl as a user would: a separate process with its own environment, a
// fresh data and settings folder, and the build's program folder.

#include <map>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

namespace veltra::test {

using CliResult = ProcessResult;

// A veltractl process that was started and not yet waited for.
using CliProcess = StartedProcess;

class CliRunner {
  public:
    CliRunner();

    // Extra environment for every later run (VELTRA_HID_RECORD, VELTRA_HID_BRIDGE...).
    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
    // Words put before the tool's path in every later run (see UnprivilegedPrefix).
    void SetPrefix(std::vector<std::string> prefix) { prefix_ = std::move(prefix); }
    // Later runs use a copy of the tool and its program folder inside dir(), so that another
    // user reaches them wherever the build tree lies. False when the copy failed.
    bool UseCopyOfTheProgram();
    CliResult Run(const std::vector<std::string>& args);
    // Run in two halves, so that several processes can work at once.
    CliProcess Start(const std::vector<std::string>& args);
    CliResult Finish(const CliProcess& process);

    const TempDir& dir() const { return dir_; }
    // What every run gets as its environment, as NAME=value.
    std::vector<std::string> Environment() const;

  private:
    TempDir dir_;
    std::map<std::string, std::string> env_;
    std::vector<std::string> prefix_;
    std::string tool_;
};

}  // namespace veltra::test
