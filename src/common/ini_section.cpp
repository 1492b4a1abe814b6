// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ini_section.h"

#include "common/cp932.h"

#include <QFile>
#include <QFileInfo>

Result<QList<IniEntry>> readIniSection(const QString& path, const QString& section)
{
    QFile file(path);
    if (!file.exists())
        return QList<IniEntry>();
    if (!file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::Io, QStringLiteral("%1 を読めません: %2").arg(QFileInfo(path).fileName(), file.errorString()));
    QList<IniEntry> entries;
    bool inSection = false;
    for (const QString& raw : decodeCp932UnlessBom(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inSection = line.compare(u'[' + section + u']', Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0)
            entries.append({line.left(equals).trimmed().toLower(), line.mid(equals + 1).trimmed()});
    }
    return entries;
}
