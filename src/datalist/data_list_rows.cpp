#include "datalist/data_list_rows.h"

#include "common/text_field.h"
#include "lists/list_file.h"

namespace {

DataListRow rowOf(int record, const GuestRecord& guest)
{
    const QString number = dataListNumber(record);
    return {number,
            {number, displayName(guest), trimRight(guest.hName), trimRight(guest.CoName), trimRight(guest.Post),
             trimRight(guest.jyusyo), trimRight(guest.TEL), trimRight(guest.FAX), trimRight(guest.address),
             trimRight(guest.birthday)}};
}

} // namespace

QString dataListNumber(int record) { return QString::number(record).rightJustified(4, u'0'); }

Result<QList<DataListRow>> readDataListRows(const QString& listPath)
{
    auto guests = readGuestList(listPath, EndTest::BlankProbe);
    if (!guests)
        return std::unexpected(guests.error());
    const qsizetype count = std::min<qsizetype>(guests->size(), kMaxDataListRows);
    QList<DataListRow> rows;
    rows.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        rows.append(rowOf(int(i + 1), guests->at(i)));
    return rows;
}
