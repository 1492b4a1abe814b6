#pragma once

#include "common/error.h"

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

// Records 1, 2, ... up to the first blank family name.
Result<QList<DataListRow>> readDataListRows(const QString& listPath);
