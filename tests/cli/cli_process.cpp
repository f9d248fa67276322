#include "cli/cli_process.h"

#include <cstdlib>

namespace veltra::test {

CliRunner::CliRunner() {
    env_["HOME"] = dir_.path().string();
    env_["XDG_DATA_HOME"] = (dir_ / "data").string();
    env_["XDG_CONFIG_HOME"] = (dir_ / "config").string();
    env_["VELTRA_PROGRAM_FOLDER"] = VELTRA_BIN_DIR;
    env_["LANG"] = "C";
    if (const char* path = std::getenv("PATH")) {
        env_["PATH"] = path;
    }
}

CliResult CliRunner::Run(const std::vector<std::string>& args) {
    return Finish(Start(args));
}

CliProcess CliRunner::Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = prefix_;
    argv.push_back(std::string(VELTRA_BIN_DIR) + "/veltractl");
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp;
    for (const auto& [name, value] : env_) {
        envp.push_back(name + "=" + value);
    }
    return StartProcess(argv, envp, dir_.path());
}

CliResult CliRunner::Finish(const CliProcess& process) {
    return FinishProcess(process);
}

}  // namespace veltra::test
