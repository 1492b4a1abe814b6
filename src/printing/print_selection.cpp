#include "printing/print_selection.h"

#include "lists/list_file.h"
#include "printing/leading_number.h"

#include <algorithm>

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

Result<PrintedList> PrintedList::open(const QString& path)
{
    Result<QByteArray> bytes = readListFile(path);
    if (!bytes)
        return std::unexpected(bytes.error());
    PrintedList list;
    list.bytes_ = std::move(*bytes);
    return list;
}

GuestRecord PrintedList::record(int k) const { return recordAt(bytes_, k); }
