#include "delivery/mail_text.h"

#include "common/cp932.h"
#include "common/line_breaks.h"

#include <QFile>
#include <QSaveFile>

Result<QString> readMailText(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::Io, QStringLiteral("文面ファイル「%1」を読み込めません。").arg(path));
    QString text = decodeCp932OrUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

Result<void> writeMailText(const QString& path, const QString& text)
{
    const QByteArray bytes = toCp932(withCrLf(text));
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()
        || !file.commit())
        return fail(ErrorKind::Io, QStringLiteral("文面ファイル「%1」を書き込めません。").arg(path));
    return {};
}
