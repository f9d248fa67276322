#include "platform/linux/program_starter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace veltra {
namespace {

namespace fs = std::filesystem;

void CloseQuietly(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

// Runs in the grandchild, where only async-signal-safe calls are allowed.
[[noreturn]] void ExecDetached(char* const argv[], int null_fd, int report_fd) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (null_fd == STDIN_FILENO) {
        ::fcntl(null_fd, F_SETFD, 0);
    } else {
        ::dup2(null_fd, STDIN_FILENO);
    }
    // The report pipe must stay open until exec; everything else of ours closes there.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    ::execv(argv[0], argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(report_fd, &error, sizeof error);
    ::_exit(127);
}

// Forks twice so that the program is no child of ours and leaves no zombie, and learns through
// a pipe that closes on exec whether the exec succeeded.
bool RunDetached(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int report[2];
    if (null_fd < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        CloseQuietly(null_fd);
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ExecDetached(argv.data(), null_fd, report[1]);
        }
        if (grandchild < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(null_fd);
    if (child < 0) {
        ::close(report[0]);
        return false;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return got == 0;
}

// The program a bare name runs, looked up before forking because execvp may allocate.
fs::path FindOnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace

bool DesktopProgramStarter::Start(const fs::path& program) {
    return !program.empty() && RunDetached({program.string()});
}

bool DesktopProgramStarter::Open(const fs::path& file) {
    const fs::path opener = FindOnPath("xdg-open");
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    // A relative name starting with "-" would read as an option.
    return !opener.empty() && !ec && RunDetached({opener.string(), absolute.string()});
}

}  // namespace veltra
