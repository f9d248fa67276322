#include "ui/window/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include "common/log.h"
#include "shell/instance_client.h"

namespace veltra::ui {

namespace {

QString Native(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace

SingleInstance::SingleInstance(const std::string& caption)
    : socket_path_(InstanceSocketPath(caption)), lock_path_(InstanceLockPath(caption)) {}

SingleInstance::~SingleInstance() {
    if (server_) {
        server_->close();
    }
}

SingleInstance::Role SingleInstance::Claim() {
    if (socket_path_.empty()) {
        problem_ = "no private runtime folder for the single-instance socket";
        return Role::Alone;
    }
    lock_ = std::make_unique<QLockFile>(Native(lock_path_));
    // Only a dead owner makes the lock stale, never its age: a window runs for weeks.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(100)) {
        if (lock_->error() == QLockFile::LockFailedError) {
            return Role::Second;
        }
        problem_ = "the lock file " + lock_path_.string() + " cannot be created";
        return Role::Alone;
    }
    // The lock is ours, so a socket file there is a dead instance's.
    QLocalServer::removeServer(Native(socket_path_));
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { Accept(); });
    if (!server_->listen(Native(socket_path_))) {
        problem_ = "cannot listen on " + socket_path_.string() + ": " +
                   server_->errorString().toStdString();
        Log(LogLevel::Warning, problem_);
    }
    return Role::First;
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsSameUser(static_cast<int>(socket->socketDescriptor()))) {
            Log(LogLevel::Warning, "refused a single-instance request of another user");
            Answer(socket,
                   EncodeInstanceReply(false, "refused: the window belongs to another user"));
            continue;
        }
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        // A peer that never finishes its line is dropped.
        QObject::connect(deadline, &QTimer::timeout, socket, [socket] { socket->abort(); });
        deadline->start(5000);
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket, deadline] { Serve(socket, deadline); });
    }
}

void SingleInstance::Answer(QLocalSocket* socket, const std::string& line) {
    socket->write(QByteArray::fromStdString(line));
    socket->flush();
    socket->disconnectFromServer();
}

void SingleInstance::Serve(QLocalSocket* socket, QTimer* deadline) {
    if (!deadline->isActive()) {
        // The request was read; anything after it is ignored.
        socket->readAll();
        return;
    }
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > static_cast<qint64>(kInstanceLineLimit)) {
            deadline->stop();
            Answer(socket, EncodeInstanceReply(false, "request longer than the line limit"));
        }
        return;
    }
    deadline->stop();
    const QByteArray line = socket->readLine(static_cast<qint64>(kInstanceLineLimit) + 1);
    DecodedRequest decoded = DecodeInstanceRequest(std::string_view(line.constData(), line.size()));
    if (!decoded.request) {
        Answer(socket, EncodeInstanceReply(false, decoded.error));
        return;
    }
    if (!handler_) {
        Answer(socket, EncodeInstanceReply(false, "the window is not ready"));
        return;
    }
    if (decoded.request->kind == InstanceRequest::Kind::Command) {
        QPointer<QLocalSocket> peer(socket);
        handler_(*decoded.request, [peer](const std::string& reply) {
            if (peer) {
                Answer(peer, reply);
            }
        });
        return;
    }
    Answer(socket, EncodeInstanceReply(true, {}));
    // After the answer, from the event loop: the request may open a modal box.
    QTimer::singleShot(0, server_.get(),
                       [this, request = std::move(*decoded.request)] { handler_(request, {}); });
}

}  // namespace veltra::ui
