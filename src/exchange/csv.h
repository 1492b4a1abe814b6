#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QStringList>
#include <QStringView>

// The exchange file's CSV: every cell quoted, inner quotes doubled, CR LF
// after every line, code page 932.

using CsvRows = QList<QStringList>;

QByteArray encodeCsvRow(const QStringList& cells);
QByteArray encodeCsv(const CsvRows& rows);

// Quoted cells (doubled quotes, commas and line breaks inside), unquoted
// cells, lines ended by CR LF, LF or CR. An unclosed quote is a Format error
// naming the row where it opened.
Result<CsvRows> parseCsv(QStringView text);
// Reads the rest of the device, as UTF-8 or code page 932, and parses it.
Result<CsvRows> readCsv(QIODevice& device);
