#pragma once

#include "common/error.h"
#include "exchange/csv.h"
#include "lists/guest_record.h"

#include <QList>
#include <QString>

#include <optional>

// The guests of rows 2..m, m being the last row before the first empty
// column-1 cell. A value that is no 16-bit integer is a Format error naming
// its row and column; nothing is converted past the failure.
Result<QList<GuestRecord>> importGuests(const CsvRows& rows);

// Cell to switch: empty is 0, numbers round half to even, range -32768..32767.
std::optional<qint16> parseSwitchCell(const QString& cell);

// Reads and checks the whole file, then replaces the list file in one atomic
// write: the imported guests as records 1..m-1, the bytes after them carried
// over unchanged. Returns m-1. A missing file is a NotFound error whose
// message is the one shown to the operator.
Result<int> importList(const QString& csvPath, const QString& listPath);
