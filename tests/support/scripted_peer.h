#pragma once

// A bridge peer inside the test process for the misbehaviours a real peer would not show: each
// request line goes to the script, whose answer is sent back as raw text (a newline is added).
// nullopt leaves the request unanswered; kHangUp closes the connection instead.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/json.h"
#include "support/temp_dir.h"

namespace veltra::test {

class ScriptedPeer {
  public:
    using Script = std::function<std::optional<std::string>(const Json& request)>;
    static inline const std::string kHangUp = "\x04 hang up";

    explicit ScriptedPeer(Script script);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    const std::string& path() const { return path_; }
    int connections() const { return accepted_; }

  private:
    void Serve();

    TempDir dir_;
    std::string path_;
    Script script_;
    int listener_ = -1;
    std::atomic<int> connection_{-1};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

}  // namespace veltra::test
