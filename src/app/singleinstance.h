// SPDX-License-Identifier: GPL-3.0-or-later
// One editor per user. The first instance holds a lock file in the user's runtime directory and
// listens on a local socket; a second start finds the lock taken, asks the first instance over
// the socket to bring its window to the front, and ends. Both names carry the user id, since a
// plain local-socket name is shared by every user of the machine.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace kel {

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    // `baseName` is the executable's base name; `directory` the place for the lock file
    // (empty: the runtime directory, or the temporary directory without one).
    explicit CSingleInstance(const QString& baseName, const QString& directory = {});
    ~CSingleInstance() override;

    // True when this process is the first instance (it then serves raise requests).
    bool Acquire();
    // Asks the running instance to raise its window; false when it could not be reached.
    bool RaiseRunning(int timeoutMs = 1000);

    QString LockPath() const { return lockPath_; }
    QString ServerName() const { return serverName_; }

signals:
    // A second instance asked for the main window.
    void raiseRequested();

private:
    QString lockPath_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace kel
