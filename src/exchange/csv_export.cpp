// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_export.h"

#include "common/file_write.h"
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

// Fills `cells` with the guest's row, reusing the strings it holds.
void fillGuestRow(QStringList& cells, int number, const GuestRecord& guest)
{
    cells.resize(kExchangeColumnCount);
    cells[0].setNum(number);
    for (int c = 1; c < kExchangeColumnCount; ++c) {
        const GuestField& field = *exchangeColumns()[c].field;
        QString& cell = cells[c];
        if (field.text) {
            cell.truncate(0);
            cell.append(QStringView(guest.*field.text).left(field.width));
            cell.resize(field.width, u' ');
        } else {
            cell.setNum(guest.*field.number);
        }
    }
}

// Hands each row to `take` as soon as it is made: the export encodes it at
// once instead of holding a million cells.
template <typename Take>
void forEachRow(const QByteArray& listBytes, Take take)
{
    take(titleRow());
    QStringList cells;
    walkGuests(listBytes, EndTest::BlankProbe, &GuestRecord::fName, allFields(), [&](int k, GuestRecord& guest) {
        fillGuestRow(cells, k, guest);
        take(cells);
    });
}

} // namespace

Result<CsvRows> exportRows(const QString& listPath)
{
    auto listBytes = readListFile(listPath);
    if (!listBytes)
        return std::unexpected(listBytes.error());
    CsvRows rows;
    forEachRow(*listBytes, [&rows](const QStringList& row) { rows.append(row); });
    return rows;
}

Result<void> exportList(const QString& listPath, const QString& csvPath)
{
    auto listBytes = readListFile(listPath);
    if (!listBytes)
        return std::unexpected(listBytes.error());
    QByteArray bytes;
    // Text cells are padded to their width in characters: about twice the list's bytes.
    bytes.reserve(listBytes->size() * 2);
    forEachRow(*listBytes, [&bytes](const QStringList& row) { appendCsvRow(bytes, row); });
    if (auto written = writeWholeFile(csvPath, bytes); !written)
        return fail(ErrorKind::Io, QStringLiteral("%1 に書き込めません。\n%2").arg(csvPath, written.error().message));
    return {};
}
