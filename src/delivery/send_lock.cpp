// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_lock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace {

// A holder writes its id just after it made the file: an empty one is given that long.
constexpr qint64 kUnreadableGraceMs = 2000;

} // namespace

SendLock::SendLock(const QString& path) : path_(path), lock_(path)
{
    // Age says nothing here: a run may last an hour. A holder that died is seen by its process id.
    lock_.setStaleLockTime(0);
}

bool SendLock::tryAcquire() { return lock_.tryLock(0); }

Result<void> SendLock::acquire(const std::atomic<bool>& stop)
{
    QElapsedTimer unreadable;
    while (!stop) {
        if (lock_.tryLock(200))
            return {};
        if (lock_.error() != QLockFile::LockFailedError)
            return fail(ErrorKind::Io, QStringLiteral("送信の排他ファイル「%1」を作れません。").arg(path_));
        if (QFileInfo(path_).isDir())
            return fail(ErrorKind::Io, QStringLiteral("送信の排他ファイル「%1」がフォルダーになっています。"
                                                      "削除してから送信してください。").arg(path_));
        qint64 pid = 0;
        QString host, app;
        if (lock_.getLockInfo(&pid, &host, &app)) {
            unreadable.invalidate();
            if (!host.isEmpty() && host != QSysInfo::machineHostName())
                return fail(ErrorKind::Io, QStringLiteral("送信の排他ファイル「%1」は別のコンピューター（%2）のものです。"
                                                          "そちらで送信していなければ、削除してから送信してください。")
                                               .arg(path_, host));
            continue; // a live run of this machine: it ends, and the lock with it
        }
        if (!unreadable.isValid())
            unreadable.start();
        else if (unreadable.elapsed() > kUnreadableGraceMs)
            QFile::remove(path_); // empty or garbage: nobody can be holding it
    }
    return fail(ErrorKind::NotFound, QStringLiteral("送信を中止しました。"));
}
