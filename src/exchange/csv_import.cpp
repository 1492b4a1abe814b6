// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_import.h"

#include "common/clock.h"
#include "common/cp932.h"
#include "exchange/exchange_columns.h"
#include "lists/list_file.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <functional>
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

// Takes the rows as they are parsed: rows 2..m become guests, m being the last
// row before the first empty column-1 cell. A row of another separator up to
// m is reported before too many rows, and too many rows before a bad cell;
// once a cell failed, nothing more is converted.
class RowImport {
public:
    explicit RowImport(std::function<void(const GuestRecord&)> take) : take_(std::move(take)) {}

    void take(const QStringList& row)
    {
        ++rowNumber_;
        if (ended_ || separatorError_)
            return;
        const QString& first = row.value(0);
        if (first.isEmpty()) {
            ended_ = true;
            return;
        }
        // Column 1 holds 番号 or a record number; a tab or semicolon there
        // means the whole line is one cell of another separator.
        if (first.contains(u'\t') || first.contains(u';')) {
            separatorError_ = notCommaSeparated(rowNumber_);
            return;
        }
        if (rowNumber_ == 1 || ++guestLines_ > kMaxGuestLines || cellError_)
            return;
        if (auto guest = guestFromRow(row, rowNumber_))
            take_(*guest);
        else
            cellError_ = guest.error();
    }

    // The count of guests taken, or the first failure.
    Result<int> result() const
    {
        if (separatorError_)
            return std::unexpected(*separatorError_);
        if (guestLines_ > kMaxGuestLines)
            return fail(ErrorKind::Format, QStringLiteral("ゲストの行が %1 行あります。名簿に入るのは %2 人までです。")
                                               .arg(guestLines_)
                                               .arg(kMaxGuestLines));
        if (cellError_)
            return std::unexpected(*cellError_);
        return guestLines_;
    }

private:
    std::function<void(const GuestRecord&)> take_;
    int rowNumber_ = 0;
    int guestLines_ = 0;
    bool ended_ = false;
    std::optional<Error> separatorError_;
    std::optional<Error> cellError_;
};

// Parses the file, handing each row to `import`.
Result<void> readCsvFile(const QString& csvPath, RowImport& import)
{
    QFile file(csvPath);
    if (!file.exists())
        return fail(ErrorKind::NotFound,
                    csvPath + QStringLiteral(" が\n見つかりません。\nインポートを中止します"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(ErrorKind::Io, QStringLiteral("%1 を開けません。").arg(csvPath));
    return readCsv(file, [&import](const QStringList& row) { import.take(row); });
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
    // A switch is nearly always 0 or 1: no need to read it as a real number.
    if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9')
        return qint16(text[0].unicode() - u'0');
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
    const QStringView text = QStringView(cell).trimmed();
    if (text.isEmpty())
        return QString();
    // By hand: an import checks eight dates on each of 32767 lines.
    const qsizetype slash1 = text.indexOf(u'/');
    const qsizetype slash2 = slash1 < 0 ? -1 : text.indexOf(u'/', slash1 + 1);
    if (slash2 < 0 || text.indexOf(u'/', slash2 + 1) >= 0)
        return std::nullopt;
    const QStringView year = text.first(slash1);
    const QStringView month = text.sliced(slash1 + 1, slash2 - slash1 - 1);
    const QStringView day = text.sliced(slash2 + 1);
    const auto digits = [](QStringView part, qsizetype least, qsizetype most) {
        return part.size() >= least && part.size() <= most &&
               std::ranges::all_of(part, [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!digits(year, 4, 4) || !digits(month, 1, 2) || !digits(day, 1, 2))
        return std::nullopt;
    if (!QDate(year.toInt(), month.toInt(), day.toInt()).isValid())
        return std::nullopt;
    if (month.size() == 2 && day.size() == 2)
        return text.size() == cell.size() ? cell : text.toString();
    return year.toString() + u'/' + month.toString().rightJustified(2, u'0') + u'/' +
           day.toString().rightJustified(2, u'0');
}

Result<QList<GuestRecord>> importGuests(const CsvRows& rows)
{
    QList<GuestRecord> guests;
    RowImport import([&guests](const GuestRecord& guest) { guests.append(guest); });
    for (const QStringList& row : rows)
        import.take(row);
    if (auto imported = import.result(); !imported)
        return std::unexpected(imported.error());
    return guests;
}

Result<int> importList(const QString& csvPath, const QString& listPath)
{
    QByteArray list;
    RowImport import([&list](const GuestRecord& guest) { appendGuestRecord(list, guest); });
    if (auto read = readCsvFile(csvPath, import); !read)
        return std::unexpected(read.error().kind == ErrorKind::Format ? naming(csvPath, read.error()) : read.error());
    const auto imported = import.result();
    if (!imported)
        return std::unexpected(naming(csvPath, imported.error()));
    auto old = readListFile(listPath);
    if (!old)
        return std::unexpected(old.error());
    if (old->size() > list.size())
        list += old->sliced(list.size());
    if (auto written = replaceListFile(listPath, list); !written)
        return std::unexpected(written.error());
    return *imported;
}
