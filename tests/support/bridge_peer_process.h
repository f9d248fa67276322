#pragma once

// Runs tools/bridge_peer.py on a socket in a temporary folder for the life of the object.

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace veltra::test {

class BridgePeerProcess {
  public:
    explicit BridgePeerProcess(const std::vector<std::string>& extra_args = {});
    ~BridgePeerProcess();
    BridgePeerProcess(const BridgePeerProcess&) = delete;
    BridgePeerProcess& operator=(const BridgePeerProcess&) = delete;

    // True once the peer accepts connections.
    bool ready() const { return ready_; }
    const std::string& socket_path() const { return socket_path_; }
    void Signal(int signal);
    void Kill();

  private:
    TempDir dir_;
    std::string socket_path_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

}  // namespace veltra::test
