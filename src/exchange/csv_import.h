// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "exchange/csv.h"
#include "lists/guest_record.h"

#include <QList>
#include <QString>

#include <optional>

// The guests of rows 2..m, m being the last row before the first empty
// column-1 cell, at most 32767. A row separated by tabs or semicolons, a
// switch that is no 16-bit integer, a date that is no year/month/day and a
// character code page 932 cannot hold are Format errors naming the row (and
// column); nothing is converted past the failure.
Result<QList<GuestRecord>> importGuests(const CsvRows& rows);

// Cell to switch: empty is 0, numbers round half to even, range -32768..32767.
std::optional<qint16> parseSwitchCell(const QString& cell);
// Cell to date text: blank stays empty, year/month/day with or without zero
// padding becomes "yyyy/MM/dd"; anything else is nothing.
std::optional<QString> parseDateCell(const QString& cell);

// Reads and checks the whole file, then replaces the list file in one atomic
// write: the imported guests as records 1..m-1, the bytes after them carried
// over unchanged. Returns m-1. A missing file is a NotFound error whose
// message is the one shown to the operator.
Result<int> importList(const QString& csvPath, const QString& listPath);
