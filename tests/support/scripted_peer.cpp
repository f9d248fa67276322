#include "support/scripted_peer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

namespace veltra::test {

ScriptedPeer::ScriptedPeer(Script script) : script_(std::move(script)) {
    path_ = (dir_ / "s.sock").string();
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener_, 4), 0);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    ::shutdown(listener_, SHUT_RDWR);
    const int c = connection_.exchange(-1);
    if (c >= 0) {
        ::shutdown(c, SHUT_RDWR);
    }
    thread_.join();
    ::close(listener_);
}

void ScriptedPeer::Serve() {
    while (true) {
        const int c = ::accept(listener_, nullptr, nullptr);
        if (c < 0) {
            return;
        }
        ++accepted_;
        connection_ = c;
        std::string pending;
        char chunk[512];
        ssize_t n = 0;
        bool open = true;
        while (open && (n = ::recv(c, chunk, sizeof chunk, 0)) > 0) {
            pending.append(chunk, static_cast<std::size_t>(n));
            std::size_t end = 0;
            while (open && (end = pending.find('\n')) != std::string::npos) {
                const std::optional<Json> request = DecodeJson(pending.substr(0, end));
                pending.erase(0, end + 1);
                std::optional<std::string> answer = script_(request.value_or(Json()));
                if (answer == kHangUp) {
                    open = false;
                } else if (answer) {
                    *answer += '\n';
                    ::send(c, answer->data(), answer->size(), MSG_NOSIGNAL);
                }
            }
        }
        connection_.exchange(-1);
        ::close(c);
    }
}

}  // namespace veltra::test
