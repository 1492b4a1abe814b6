#pragma once

#include "common/error.h"
#include "lists/guest_record.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Which records a printout covers, as the record chooser says.
struct RecordChoice {
    QList<int> records; // record numbers from 1, in print order
    bool all = false;   // "ALL": every row of the data list
};

// "ALL" gives records 1..rowCount; any other text one record, the number it
// begins with, record 1 when it begins with none (or with one below 1).
RecordChoice chooseRecords(const QString& chooserText, int rowCount);

// The list file read once, so the records to print come from one open and close.
class PrintedList {
public:
    static Result<PrintedList> open(const QString& path);
    // Record k, an empty record past the end of the file.
    GuestRecord record(int k) const;

private:
    QByteArray bytes_;
};
