#include "exchange/csv_import.h"

#include "common/clock.h"
#include "common/cp932.h"
#include "exchange/exchange_columns.h"
#include "lists/list_file.h"

#include <QDate>
#include <QFile>

#include <algorithm>
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

constexpr int kMaxGuestLines = 32767; // record numbers are 16-bit

int lastRow(const CsvRows& rows)
{
    int m = 0;
    while (m < rows.size() && !rows[m].value(0).isEmpty())
        ++m;
    return m;
}

// Column 1 holds 番号 or a record number; a tab or semicolon there means the
// whole line is one cell of another separator.
Result<void> checkSeparators(const CsvRows& rows, int m)
{
    for (int r = 1; r <= m; ++r) {
        const QString first = rows[r - 1].value(0);
        if (first.contains(u'\t') || first.contains(u';'))
            return std::unexpected(notCommaSeparated(r));
    }
    return {};
}

bool isDateColumn(int column) { return column == 5 || (column >= 15 && column <= 21); }

std::unexpected<Error> cellError(int rowNumber, int column, const QString& problem)
{
    return fail(ErrorKind::Format, QStringLiteral("%1 行目 %2 列目（%3）の%4")
                                       .arg(QString::number(rowNumber), QString::number(column),
                                            exchangeColumns()[column - 1].title, problem));
}

Result<QString> textCell(const QString& cell, int rowNumber, int column)
{
    if (isDateColumn(column)) {
        if (auto date = parseDateCell(cell))
            return *date;
        return cellError(rowNumber, column,
                         QStringLiteral("値「%1」は日付ではありません。空欄か 2026/01/05 のような"
                                        "年/月/日の形にしてください。")
                             .arg(cell));
    }
    if (const QString lost = unencodableInCp932(cell); !lost.isEmpty())
        return cellError(rowNumber, column,
                         QStringLiteral("「%1」は Shift-JIS（コードページ 932）で保存できない文字です。"
                                        "別の文字に置き換えてください。")
                             .arg(lost));
    return cell;
}

Result<GuestRecord> guestFromRow(const QStringList& row, int rowNumber)
{
    GuestRecord guest;
    for (int col = 1; col < kExchangeColumnCount; ++col) {
        const GuestField& field = *exchangeColumns()[col].field;
        const QString cell = row.value(col);
        if (field.text) {
            auto text = textCell(cell, rowNumber, col + 1);
            if (!text)
                return std::unexpected(text.error());
            guest.*field.text = *text;
            continue;
        }
        const auto value = parseSwitchCell(cell);
        if (!value)
            return cellError(rowNumber, col + 1,
                             QStringLiteral("値「%1」は -32768～32767 の整数ではありません。").arg(cell));
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

std::optional<QString> parseDateCell(const QString& cell)
{
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return QString();
    // By hand: an import checks eight dates on each of 32767 lines.
    const QList<QStringView> parts = QStringView(text).split(u'/');
    const auto digits = [](QStringView part, qsizetype least, qsizetype most) {
        return part.size() >= least && part.size() <= most &&
               std::ranges::all_of(part, [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (parts.size() != 3 || !digits(parts[0], 4, 4) || !digits(parts[1], 1, 2) || !digits(parts[2], 1, 2))
        return std::nullopt;
    if (!QDate(parts[0].toInt(), parts[1].toInt(), parts[2].toInt()).isValid())
        return std::nullopt;
    return parts[0].toString() + u'/' + parts[1].toString().rightJustified(2, u'0') + u'/' +
           parts[2].toString().rightJustified(2, u'0');
}

Result<QList<GuestRecord>> importGuests(const CsvRows& rows)
{
    QList<GuestRecord> guests;
    const int m = lastRow(rows);
    if (auto separated = checkSeparators(rows, m); !separated)
        return std::unexpected(separated.error());
    if (m - 1 > kMaxGuestLines)
        return fail(ErrorKind::Format, QStringLiteral("ゲストの行が %1 行あります。名簿に入るのは %2 人までです。")
                                           .arg(m - 1)
                                           .arg(kMaxGuestLines));
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
