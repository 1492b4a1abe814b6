// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QStringList>
#include <QStringView>

#include <functional>

// The exchange file's CSV: every cell quoted, inner quotes doubled, CR LF
// after every line, code page 932.

using CsvRows = QList<QStringList>;

QByteArray encodeCsvRow(const QStringList& cells);
// The same appended to `bytes`.
void appendCsvRow(QByteArray& bytes, const QStringList& cells);

// Quoted cells (doubled quotes, commas and line breaks inside), unquoted
// cells, lines ended by CR LF, LF or CR. A quote that is never closed, or
// closed before anything but a comma or the line end, is a Format error
// naming the row and column where it opened.
Result<CsvRows> parseCsv(QStringView text);
// The same handing each row to `take` as soon as it is parsed; the row's
// strings are reused for the next one, so `take` copies what it keeps.
using CsvRowSink = std::function<void(const QStringList& row)>;
Result<void> parseCsv(QStringView text, const CsvRowSink& take);
// The refusal of a file whose row is separated by tabs or semicolons.
Error notCommaSeparated(qsizetype row);
// Reads the rest of the device, as UTF-8 or code page 932, and parses it.
Result<CsvRows> readCsv(QIODevice& device);
Result<void> readCsv(QIODevice& device, const CsvRowSink& take);
