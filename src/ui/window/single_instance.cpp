#include "ui/window/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include "common/log.h"

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
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket] { Serve(socket); });
        // A peer that never finishes its line is dropped.
        QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
    }
}

void SingleInstance::Serve(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > static_cast<qint64>(kInstanceLineLimit)) {
            socket->write(QByteArray::fromStdString(
                EncodeInstanceReply(false, "request longer than the line limit")));
            socket->disconnectFromServer();
        }
        return;
    }
    const QByteArray line = socket->readLine(static_cast<qint64>(kInstanceLineLimit) + 1);
    const DecodedRequest decoded =
        DecodeInstanceRequest(std::string_view(line.constData(), line.size()));
    socket->write(
        QByteArray::fromStdString(EncodeInstanceReply(decoded.request.has_value(), decoded.error)));
    socket->flush();
    socket->disconnectFromServer();
    if (decoded.request && handler_) {
        // After the answer, from the event loop: the request may open a modal box.
        QTimer::singleShot(0, server_.get(),
                           [this, request = *decoded.request] { handler_(request); });
    }
}

}  // namespace veltra::ui
