// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"
#include "lists/guest_record.h"
#include "printing/print_surface.h"

#include <QList>
#include <QString>

#include <functional>

// Which records a printout covers, as the record chooser says.
struct RecordChoice {
    QList<int> records; // record numbers from 1, in print order
    bool all = false;   // "ALL": every row of the data list
};

// "ALL" gives records 1..rowCount; any other text one record, the number it
// begins with, record 1 when it begins with none (or with one below 1).
RecordChoice chooseRecords(const QString& chooserText, int rowCount);

// How a printout places records on its pages: each record takes the next
// slot of the page (0 = the first); a record whose slot does not fit goes to
// slot 0 of a new page.
struct PageFlow {
    std::function<void()> setUp; // once the list has been read
    std::function<bool(int slot)> fits;
    std::function<void(int slot, int record, const GuestRecord& guest)> print;
    int firstSlot = 0;
};

// Reads the list file once, prints the chosen records (an empty record past
// the end of the file) and ends the document. Gives the number printed, 0
// when there was nothing to print (no document is then ended).
Result<int> printPages(const QString& listPath, const RecordChoice& choice, PrintSurface& surface,
                       const PageFlow& flow);
