#include "cli/cli_process.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace veltra::test {

CliRunner::CliRunner() : tool_(std::string(VELTRA_BIN_DIR) + "/veltractl") {
    env_["HOME"] = dir_.path().string();
    env_["XDG_DATA_HOME"] = (dir_ / "data").string();
    env_["XDG_CONFIG_HOME"] = (dir_ / "config").string();
    env_["VELTRA_PROGRAM_FOLDER"] = VELTRA_BIN_DIR;
    // A window of the user's own, or of another test, must not take these commands.
    const std::filesystem::path runtime = dir_ / "run";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    env_["XDG_RUNTIME_DIR"] = runtime.string();
    env_["LANG"] = "C";
    if (const char* path = std::getenv("PATH")) {
        env_["PATH"] = path;
    }
}

bool CliRunner::UseCopyOfTheProgram() {
    namespace fs = std::filesystem;
    const fs::path bin = VELTRA_BIN_DIR;
    const fs::path program = dir_ / "program";
    std::error_code ec;
    if (!fs::create_directory(program, ec)) {
        return false;
    }
    for (const char* name : {"veltractl", "config.xml", "device", "language"}) {
        fs::copy(bin / name, program / name, fs::copy_options::recursive, ec);
        if (ec) {
            return false;
        }
    }
    tool_ = (program / "veltractl").string();
    env_["VELTRA_PROGRAM_FOLDER"] = program.string();
    return true;
}

std::vector<std::string> CliRunner::Environment() const {
    std::vector<std::string> envp;
    for (const auto& [name, value] : env_) {
        envp.push_back(name + "=" + value);
    }
    return envp;
}

CliResult CliRunner::Run(const std::vector<std::string>& args) {
    return Finish(Start(args));
}

CliProcess CliRunner::Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = prefix_;
    argv.push_back(tool_);
    argv.insert(argv.end(), args.begin(), args.end());
    // Relative file names land in the runner's folder.
    return StartProcess(argv, Environment(), dir_.path(), dir_.path());
}

CliResult CliRunner::Finish(const CliProcess& process) {
    return FinishProcess(process);
}

}  // namespace veltra::test
