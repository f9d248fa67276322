#pragma once
// One running window per caption. The first start holds a lock file in the runtime folder and
// listens on a local socket beside it; a later start finds the lock held and asks the holder,
// over the socket, to show itself. The lock dies with its process, so a socket left behind by a
// crashed instance never blocks a start: whoever takes the lock replaces the socket.
//
// The socket carries one-line requests (shell/instance_channel.h) from processes of this user
// only. "show" and the window messages other programs send are answered at once and carried out
// afterwards from the event loop, so a message box one opens never keeps the sender waiting. A
// command is answered when the handler has carried it out, however long that takes; a peer
// that has not sent its whole line within 5 s is dropped.
//
// Threads: the user-interface thread only.
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "shell/instance_channel.h"

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace veltra::ui {

class SingleInstance {
  public:
    enum class Role {
        First,   // this process holds the lock and listens
        Second,  // another process of the same caption holds it
        Alone,   // no usable runtime folder: the program runs without the guard
    };
    // Sends the reply line of a command request, once, on the user-interface thread; a peer that
    // has gone meanwhile is not written to. Empty for the requests answered at once.
    using Reply = std::function<void(const std::string& line)>;
    using Handler = std::function<void(const InstanceRequest&, Reply)>;

    explicit SingleInstance(const std::string& caption);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role Claim();
    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    const std::filesystem::path& SocketPath() const { return socket_path_; }
    // Why Claim answered Alone, for a warning.
    const std::string& Problem() const { return problem_; }

  private:
    void Accept();
    void Serve(QLocalSocket* socket, QTimer* deadline);
    static void Answer(QLocalSocket* socket, const std::string& line);

    std::filesystem::path socket_path_;
    std::filesystem::path lock_path_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
    std::string problem_;
};

}  // namespace veltra::ui
