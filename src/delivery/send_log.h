// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QDate>
#include <QString>

// "[12]-2005_2_9　[山田花子].log"; characters a file name cannot hold are replaced.
QString sendLogName(int n, const QDate& day, const QString& displayName);
// Writes body (code page 932, or UTF-8 after a byte-order mark when code page 932
// lacks one of its characters) as a new file in logDir numbered one more than the
// ordinary files there; returns the path written. Never replaces an existing log.
// next, when given, is the number a run's next log takes (0: count first).
Result<QString> writeSendLog(const QString& logDir, const QDate& day, const QString& displayName,
                             const QString& body, int* next = nullptr);
