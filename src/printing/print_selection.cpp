// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/print_selection.h"

#include "lists/list_file.h"
#include "printing/leading_number.h"

#include <QByteArray>

RecordChoice chooseRecords(const QString& chooserText, int rowCount)
{
    RecordChoice choice;
    if (chooserText == u"ALL") {
        choice.all = true;
        for (int k = 1; k <= rowCount; ++k)
            choice.records.append(k);
        return choice;
    }
    const int k = roundToInt16(leadingNumber(chooserText));
    choice.records.append(k < 1 ? 1 : k);
    return choice;
}

Result<int> printPages(const QString& listPath, const RecordChoice& choice, PrintSurface& surface,
                       const PageFlow& flow)
{
    if (choice.records.isEmpty())
        return 0;
    const Result<QByteArray> list = readListFile(listPath);
    if (!list)
        return std::unexpected(list.error());

    flow.setUp();
    int slot = flow.firstSlot;
    bool pageUsed = false;
    for (int record : choice.records) {
        if (!flow.fits(slot)) {
            // A page with nothing on it yet is used as it is, so no sheet comes out blank.
            if (pageUsed)
                surface.newPage();
            slot = 0;
        }
        flow.print(slot, record, recordAt(*list, record));
        pageUsed = true;
        ++slot;
    }
    if (auto ended = surface.endDocument(); !ended)
        return std::unexpected(ended.error());
    return int(choice.records.size());
}
