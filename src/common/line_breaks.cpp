// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/line_breaks.h"

QString withCrLf(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    lines.replace(u'\n', QStringLiteral("\r\n"));
    return lines;
}
