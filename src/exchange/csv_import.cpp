#include "exchange/csv_import.h"

#include "exchange/exchange_columns.h"
#include "lists/list_file.h"

#include <QFile>

#include <cmath>
#include <limits>

namespace {

double roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        return below + 1.0;
    return below;
}

int lastRow(const CsvRows& rows)
{
    int m = 0;
    while (m < rows.size() && !rows[m].value(0).isEmpty())
        ++m;
    return m;
}

Result<GuestRecord> guestFromRow(const QStringList& row, int rowNumber)
{
    GuestRecord guest;
    for (int col = 1; col < kExchangeColumnCount; ++col) {
        const GuestField& field = *exchangeColumns()[col].field;
        const QString cell = row.value(col);
        if (field.text) {
            guest.*field.text = cell;
            continue;
        }
        const auto value = parseSwitchCell(cell);
        if (!value)
            return fail(ErrorKind::Format,
                        QStringLiteral("%1 行目 %2 列目の値「%3」は -32768～32767 の整数ではありません。")
                            .arg(rowNumber)
                            .arg(col + 1)
                            .arg(cell));
        guest.*field.number = *value;
    }
    return guest;
}

Result<CsvRows> readCsvFile(const QString& csvPath)
{
    QFile file(csvPath);
    if (!file.exists())
        return fail(ErrorKind::NotFound,
                    csvPath + QStringLiteral(" が\n見つかりません。\nインポートを中止します"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::Io, QStringLiteral("%1 を開けません。").arg(csvPath));
    return readCsv(file);
}

Error naming(const QString& csvPath, const Error& error)
{
    return {error.kind, csvPath + QStringLiteral(" の ") + error.message +
                            QStringLiteral("\nインポートを中止しました。名簿は変更していません。")};
}

} // namespace

std::optional<qint16> parseSwitchCell(const QString& cell)
{
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return qint16(0);
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfToEven(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}

Result<QList<GuestRecord>> importGuests(const CsvRows& rows)
{
    QList<GuestRecord> guests;
    const int m = lastRow(rows);
    for (int r = 2; r <= m; ++r) {
        auto guest = guestFromRow(rows[r - 1], r);
        if (!guest)
            return std::unexpected(guest.error());
        guests.append(std::move(*guest));
    }
    return guests;
}

Result<int> importList(const QString& csvPath, const QString& listPath)
{
    auto rows = readCsvFile(csvPath);
    if (!rows)
        return std::unexpected(rows.error().kind == ErrorKind::Format ? naming(csvPath, rows.error())
                                                                       : rows.error());
    auto guests = importGuests(*rows);
    if (!guests)
        return std::unexpected(naming(csvPath, guests.error()));
    auto old = readListFile(listPath);
    if (!old)
        return std::unexpected(old.error());
    QByteArray list;
    list.reserve(std::max<qsizetype>(old->size(), guests->size() * kRecordSize));
    for (const GuestRecord& guest : *guests)
        list += encodeGuestRecord(guest);
    if (old->size() > list.size())
        list += old->sliced(list.size());
    if (auto written = replaceListFile(listPath, list); !written)
        return std::unexpected(written.error());
    return int(guests->size());
}
