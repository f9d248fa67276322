#include "cli/cli_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace veltra::test {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

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
    CliProcess process;
    process.out_file = (dir_ / ("out" + std::to_string(runs_))).string();
    process.err_file = (dir_ / ("err" + std::to_string(runs_))).string();
    ++runs_;
    std::vector<std::string> argv = {std::string(VELTRA_BIN_DIR) + "/veltractl"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp;
    for (const auto& [name, value] : env_) {
        envp.push_back(name + "=" + value);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, process.out_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, process.err_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv_pointers = Pointers(argv);
    std::vector<char*> env_pointers = Pointers(envp);
    if (posix_spawn(&process.pid, argv[0].c_str(), &actions, nullptr, argv_pointers.data(),
                    env_pointers.data()) != 0) {
        process.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return process;
}

CliResult CliRunner::Finish(const CliProcess& process) {
    CliResult result;
    if (process.pid < 0) {
        return result;
    }
    int status = 0;
    waitpid(process.pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(process.out_file);
    result.err = ReadFile(process.err_file);
    return result;
}

}  // namespace veltra::test
