// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "lists/guest_record.h"

#include <QList>
#include <QString>
#include <QStringList>

// One row of the data list: the 4-digit record number and the ten cells in
// column order (number, name, nickname, company, postal code, address, TEL,
// FAX, mail address, birth date), trailing spaces removed.
struct DataListRow {
    QString number;
    QStringList cells;
};

// Record numbers are 16-bit: the list shows at most this many guests.
constexpr int kMaxDataListRows = 32767;

// "0001" .. "0999", "1234", "12345".
QString dataListNumber(int record);

// The ten column titles, on screen and on paper.
const QStringList& dataListTitles();
// The ten cells of record k's row, as the screen and the printout show them.
QStringList dataListCells(int record, const GuestRecord& guest);

// Records 1, 2, ... up to the first blank family name.
Result<QList<DataListRow>> readDataListRows(const QString& listPath);
