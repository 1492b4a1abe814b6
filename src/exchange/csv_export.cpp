#include "exchange/csv_export.h"

#include "common/file_write.h"
#include "common/text_field.h"
#include "exchange/exchange_columns.h"
#include "lists/list_file.h"

namespace {

QStringList titleRow()
{
    QStringList titles;
    for (const ExchangeColumn& column : exchangeColumns())
        titles.append(column.title);
    return titles;
}

QString cellOf(const GuestRecord& guest, const GuestField& field)
{
    if (field.text)
        return fitToWidth(guest.*field.text, field.width);
    return QString::number(guest.*field.number);
}

QStringList guestRow(int number, const GuestRecord& guest)
{
    QStringList cells{QString::number(number)};
    for (const ExchangeColumn& column : exchangeColumns())
        if (column.field)
            cells.append(cellOf(guest, *column.field));
    return cells;
}

} // namespace

Result<CsvRows> exportRows(const QString& listPath)
{
    auto guests = readGuestList(listPath, EndTest::BlankProbe);
    if (!guests)
        return std::unexpected(guests.error());
    CsvRows rows{titleRow()};
    rows.reserve(guests->size() + 1);
    for (qsizetype i = 0; i < guests->size(); ++i)
        rows.append(guestRow(int(i + 1), guests->at(i)));
    return rows;
}

Result<void> exportList(const QString& listPath, const QString& csvPath)
{
    auto rows = exportRows(listPath);
    if (!rows)
        return std::unexpected(rows.error());
    if (auto written = writeWholeFile(csvPath, encodeCsv(*rows)); !written)
        return fail(ErrorKind::Io, QStringLiteral("%1 に書き込めません。\n%2").arg(csvPath, written.error().message));
    return {};
}
