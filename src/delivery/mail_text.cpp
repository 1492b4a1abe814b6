// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/mail_text.h"

#include "common/cp932.h"
#include "common/file_write.h"
#include "common/line_breaks.h"

#include <QFile>

Result<QString> readMailText(const QString& path, TextOrigin origin)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::Io, QStringLiteral("文面ファイル「%1」を読み込めません。").arg(path));
    const QByteArray bytes = file.readAll();
    QString text = origin == TextOrigin::Operator ? decodeCp932OrUtf8(bytes) : decodeCp932UnlessBom(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

Result<void> writeMailText(const QString& path, const QString& text)
{
    if (const QString lost = unencodableInCp932(text); !lost.isEmpty())
        return fail(ErrorKind::InvalidInput,
                    QStringLiteral("本文の「%1」は Shift-JIS（コードページ 932）で保存できない文字です。\n"
                                   "文面ファイル「%2」は変更していません。")
                        .arg(lost, path));
    const QByteArray bytes = toCp932(withCrLf(text));
    const QString cannotWrite = QStringLiteral("文面ファイル「%1」を書き込めません。").arg(path);
    if (path.isEmpty())
        return fail(ErrorKind::Io, cannotWrite);
    if (auto written = writeWholeFile(path, bytes); !written)
        return fail(ErrorKind::Io, cannotWrite + u'\n' + written.error().message);
    return {};
}
