#include "support/update_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <vector>

extern char** environ;

namespace veltra::test {
namespace {

// Python starts in well under this; the bound only keeps a broken setup from hanging.
constexpr std::chrono::seconds kStartLimit{20};

// The first line of `fd`, or nothing when none arrives in time.
std::string ReadLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0) {
            continue;
        }
        char c = 0;
        if (::read(fd, &c, 1) != 1) {
            break;
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    return {};
}

}  // namespace

UpdateServer::UpdateServer(const std::filesystem::path& folder,
                           const std::optional<CertificateFiles>& tls)
    : tls_(tls.has_value()) {
    std::vector<std::string> args = {
        "python3", std::string(VELTRA_SOURCE_DIR) + "/tests/support/update_server.py",
        folder.string()};
    if (tls) {
        args.insert(args.end(), {"--tls", tls->certificate.string(), tls->key.string()});
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    if (pid_ > 0) {
        const std::string line = ReadLine(out[0]);
        std::from_chars(line.data(), line.data() + line.size(), port_);
    }
    ::close(out[0]);
}

UpdateServer::~UpdateServer() {
    ::close(stdin_);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::string UpdateServer::Address() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

}  // namespace veltra::test
