// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_window.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace {

QString socketName(const QString& programRoot)
{
    const QString canonical = QFileInfo(programRoot).canonicalFilePath();
    const QByteArray folder = (canonical.isEmpty() ? QDir(programRoot).absolutePath() : canonical).toUtf8();
    return QStringLiteral("ladderpost-") + QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(20));
}

} // namespace

SingleWindow::SingleWindow(const QString& programRoot, QObject* parent)
    : QObject(parent), name_(socketName(programRoot)), lock_(QDir(programRoot).filePath(QStringLiteral("window.lock")))
{
    lock_.setStaleLockTime(0); // a window stays open for days: only a dead holder makes it stale
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = server_.nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            emit raiseRequested();
        }
    });
}

bool SingleWindow::claim()
{
    if (lock_.tryLock(0)) {
        QLocalServer::removeServer(name_); // a socket file a dead first window left
        server_.listen(name_);
        return true;
    }
    // The first window may still be starting: give it a moment to listen.
    for (int attempt = 0; attempt < 20; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(name_);
        if (socket.waitForConnected(250)) {
            socket.disconnectFromServer();
            return false;
        }
        if (lock_.tryLock(250)) // it died meanwhile
            return claim();
    }
    return false;
}
