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

// Hands each row to `take` as soon as it is made: the export encodes it at
// once instead of holding a million cells.
template <typename Take>
Result<void> forEachRow(const QString& listPath, Take take)
{
    auto guests = readGuestList(listPath, EndTest::BlankProbe);
    if (!guests)
        return std::unexpected(guests.error());
    take(titleRow());
    for (qsizetype i = 0; i < guests->size(); ++i)
        take(guestRow(int(i + 1), guests->at(i)));
    return {};
}

} // namespace

Result<CsvRows> exportRows(const QString& listPath)
{
    CsvRows rows;
    if (auto made = forEachRow(listPath, [&rows](QStringList row) { rows.append(std::move(row)); }); !made)
        return std::unexpected(made.error());
    return rows;
}

Result<void> exportList(const QString& listPath, const QString& csvPath)
{
    QByteArray bytes;
    if (auto made = forEachRow(listPath, [&bytes](const QStringList& row) { bytes += encodeCsvRow(row); }); !made)
        return std::unexpected(made.error());
    if (auto written = writeWholeFile(csvPath, bytes); !written)
        return fail(ErrorKind::Io, QStringLiteral("%1 に書き込めません。\n%2").arg(csvPath, written.error().message));
    return {};
}
