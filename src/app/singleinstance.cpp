// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/singleinstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace kel {

namespace {

constexpr char kRaiseRequest[] = "raise\n";

QString UserTag() {
    return QString::number(static_cast<qulonglong>(::getuid()));
}

} // namespace

CSingleInstance::CSingleInstance(const QString& baseName, const QString& directory) {
    QString dir = directory;
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    const QString name = QStringLiteral("%1-%2").arg(baseName, UserTag());
    lockPath_ = QDir(dir).filePath(name + QStringLiteral(".lock"));
    serverName_ = name;
}

CSingleInstance::~CSingleInstance() {
    if (server_ != nullptr) {
        server_->close();
    }
}

bool CSingleInstance::Acquire() {
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0); // a lock left by a crashed editor is taken over at once
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return false;
    }
    // Holding the lock, any socket of that name is a leftover of a crashed instance.
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(serverName_);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith("raise")) {
                    emit raiseRequested();
                }
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

bool CSingleInstance::RaiseRunning(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}

} // namespace kel
