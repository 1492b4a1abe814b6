// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_log.h"

#include "common/cp932.h"
#include "common/file_write.h"
#include "common/line_breaks.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A name from the list must not reach another folder or break the file name.
QString safeFileText(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return safe;
}

// Code page 932 as every log has been, unless that would lose a character of the mail.
QByteArray logBytes(const QString& body)
{
    const QString text = withCrLf(body);
    if (unencodableInCp932(text).isEmpty())
        return toCp932(text);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace

QString sendLogName(int n, const QDate& day, const QString& displayName)
{
    return QStringLiteral("[%1]-%2_%3_%4　[%5].log")
        .arg(n)
        .arg(day.year())
        .arg(day.month())
        .arg(day.day())
        .arg(safeFileText(displayName));
}

Result<QString> writeSendLog(const QString& logDir, const QDate& day, const QString& displayName,
                             const QString& body, int* next)
{
    const QDir dir(logDir);
    // A year of logs is a long listing: a run counts them once, then goes on from there.
    int n = next && *next > 0 ? *next : int(dir.entryList(QDir::Files | QDir::NoSymLinks, QDir::NoSort).size()) + 1;
    // After a log was deleted, the count can name an existing file: take the next free number.
    while (QFileInfo::exists(dir.filePath(sendLogName(n, day, displayName))))
        ++n;
    const QString path = dir.filePath(sendLogName(n, day, displayName));
    // The send record is what keeps a mail from going twice, on the disk before
    // the next mail goes; a wait for every log would halve a run's pace.
    if (auto written = writeWholeFile(path, logBytes(body), FileAccess::OwnerOnly, FileSync::Later); !written)
        return fail(ErrorKind::Io, QStringLiteral("送信ログ「%1」を書き込めません。\n%2").arg(path, written.error().message));
    if (next)
        *next = n + 1;
    return path;
}
