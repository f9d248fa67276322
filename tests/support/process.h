#pragma once

// Child processes for tests: run a program with its own environment and collect its output, as
// the current user or as the unprivileged user "nobody".

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veltra::test {

struct ProcessResult {
    int exit_code = -1;  // 128 + signal for a killed child, -1 when it could not start
    std::string out;
    std::string err;
};

// A child that was started and not yet waited for.
struct StartedProcess {
    pid_t pid = -1;  // -1 when it could not start
    std::string out_file;
    std::string err_file;
};

// Starts argv[0] (looked up on PATH) with exactly `env` as its environment and stdin from
// /dev/null; stdout and stderr pass through files in `scratch`. The child works in
// `working_folder`, or in the caller's when that is empty.
StartedProcess StartProcess(const std::vector<std::string>& argv,
                            const std::vector<std::string>& env,
                            const std::filesystem::path& scratch,
                            const std::filesystem::path& working_folder = {});
// Waits for the child and collects its output.
ProcessResult FinishProcess(const StartedProcess& process);
// Both at once.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::filesystem::path& scratch);

// The words that run a command as "nobody" when the tests run as root, where permission bits
// bind nobody: empty when they do not run as root, nothing when setpriv is missing. The child
// needs read access to everything it uses; a folder from TempDir is private to its owner.
std::optional<std::vector<std::string>> UnprivilegedPrefix();

}  // namespace veltra::test
