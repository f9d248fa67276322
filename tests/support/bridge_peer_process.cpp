#include "support/bridge_peer_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "device/line_socket.h"

extern char** environ;

namespace veltra::test {

BridgePeerProcess::BridgePeerProcess(const std::vector<std::string>& extra_args)
    : socket_path_((dir_ / "peer.sock").string()) {
    std::vector<std::string> args = {
        "python3", std::string(VELTRA_SOURCE_DIR) + "/tools/bridge_peer.py", socket_path_};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "python3", nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        return;
    }
    // Python starts in well under a second; the bound only keeps a broken setup from hanging.
    for (int i = 0; i < 1000 && !ready_; ++i) {
        if (LineSocket::Connect(socket_path_)) {
            ready_ = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

BridgePeerProcess::~BridgePeerProcess() {
    Kill();
}

void BridgePeerProcess::Signal(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

void BridgePeerProcess::Kill() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

}  // namespace veltra::test
