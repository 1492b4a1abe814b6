// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QList>
#include <QString>

struct IniEntry {
    QString key; // lower case
    QString value;
};

// The key=value lines of one [section] of the program's own ini file at path,
// read as Shift-JIS unless a UTF-8 byte-order mark says otherwise; blank lines,
// comments (; #) and lines without "=" are passed over. A missing file has none.
Result<QList<IniEntry>> readIniSection(const QString& path, const QString& section);
