// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_write.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Straight to the descriptor: a write left in Qt's buffer fails only at the
// final flush, which commit() does not report. Returns 0 or the errno.
int writeAll(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (written < 0 && errno != EINTR)
            return errno;
        if (written > 0)
            bytes = bytes.sliced(written);
    }
    return 0;
}

int writeAndSync(int fd, QByteArrayView bytes)
{
    if (const int code = writeAll(fd, bytes))
        return code;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// QSaveFile always waits for the disk: a file left to the system's writeback is
// written beside its place and renamed over it (mkstemp makes it 0600).
Result<void> replaceUnsynced(const QString& path, QByteArrayView bytes)
{
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail(ErrorKind::Io, writeFailureReason(errno));
    int code = writeAll(fd, bytes);
    if (::close(fd) != 0 && !code)
        code = errno;
    if (!code && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
        code = errno;
    if (code) {
        ::unlink(temporary.constData());
        return fail(ErrorKind::Io, writeFailureReason(code));
    }
    return {};
}

Error failure(const QSaveFile& file)
{
    const QString reason = errno ? writeFailureReason(errno)
                                 : QStringLiteral("書き込みエラーです（%1）。").arg(file.errorString());
    return Error{ErrorKind::Io, reason};
}

} // namespace

QString writeFailureReason(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が不足しています。");
    case EACCES:
    case EPERM:
        return QStringLiteral("書き込みの権限がありません。");
    case EROFS:
        return QStringLiteral("読み取り専用の場所には書き込めません。");
    case ENOENT:
        return QStringLiteral("書き込み先のフォルダがありません。");
    default:
        return QStringLiteral("書き込みエラーです（%1）。").arg(QString::fromLocal8Bit(std::strerror(code)));
    }
}

Result<void> writeWholeFile(const QString& path, QByteArrayView bytes, FileAccess access, FileSync sync)
{
    const QFileInfo target(path);
    if (target.isDir())
        return fail(ErrorKind::Io, QStringLiteral("同じ名前のフォルダがあります。"));
    if (target.exists() && !target.isFile())
        return fail(ErrorKind::Io, QStringLiteral("通常のファイルではありません。"));
    if (sync == FileSync::Later)
        return replaceUnsynced(path, bytes);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return std::unexpected(failure(file));
    if (access == FileAccess::OwnerOnly && ::fchmod(file.handle(), 0600) != 0) {
        const int code = errno;
        file.cancelWriting();
        return fail(ErrorKind::Io, writeFailureReason(code));
    }
    if (const int code = writeAndSync(file.handle(), bytes)) {
        file.cancelWriting();
        return fail(ErrorKind::Io, writeFailureReason(code));
    }
    errno = 0;
    if (!file.commit())
        return std::unexpected(failure(file));
    return {};
}

Result<void> appendToFile(const QString& path, QByteArrayView bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(ErrorKind::Io, writeFailureReason(errno));
    const int code = writeAndSync(fd, bytes);
    ::close(fd);
    if (code)
        return fail(ErrorKind::Io, writeFailureReason(code));
    return {};
}

bool othersMayRead(const QString& path)
{
    struct stat info{};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && (info.st_mode & (S_IRGRP | S_IROTH));
}
