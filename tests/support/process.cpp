#include "support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string_view>

#include "support/temp_dir.h"

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

bool OnPath(std::string_view program) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::filesystem::path candidate =
            std::filesystem::path(rest.substr(0, colon)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return false;
}

}  // namespace

StartedProcess StartProcess(const std::vector<std::string>& argv,
                            const std::vector<std::string>& env,
                            const std::filesystem::path& scratch,
                            const std::filesystem::path& working_folder) {
    static std::atomic<int> runs{0};
    const std::string number = std::to_string(runs++);
    StartedProcess process;
    process.out_file = (scratch / ("out" + number)).string();
    process.err_file = (scratch / ("err" + number)).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, process.out_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, process.err_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!working_folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
    }
    std::vector<std::string> args = argv;
    std::vector<std::string> envp = env;
    std::vector<char*> argv_pointers = Pointers(args);
    std::vector<char*> env_pointers = Pointers(envp);
    if (posix_spawnp(&process.pid, args.at(0).c_str(), &actions, nullptr, argv_pointers.data(),
                     env_pointers.data()) != 0) {
        process.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return process;
}

ProcessResult FinishProcess(const StartedProcess& process) {
    ProcessResult result;
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

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::filesystem::path& scratch) {
    return FinishProcess(StartProcess(argv, env, scratch));
}

std::optional<std::vector<std::string>> UnprivilegedPrefix() {
    if (::geteuid() != 0) {
        return std::vector<std::string>{};
    }
    if (!OnPath("setpriv")) {
        return std::nullopt;
    }
    return std::vector<std::string>{"setpriv", "--reuid=nobody", "--regid=nogroup",
                                    "--clear-groups"};
}

}  // namespace veltra::test
