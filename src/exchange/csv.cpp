// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv.h"

#include "common/cp932.h"

#include <utility>

namespace {

// Splits text into rows of cells, one character at a time.
class CsvParser {
public:
    explicit CsvParser(const CsvRowSink& take) : take_(take) {}

    Result<void> parse(QStringView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (inQuotes_) {
                if (c != u'"')
                    i = appendQuotedRun(text, i);
                else if (i + 1 < text.size() && text[i + 1] == u'"')
                    cell_ += text[++i];
                else if (i + 1 < text.size() && !endsCell(text[i + 1]))
                    return misplacedClosingQuote(text[i + 1]);
                else
                    inQuotes_ = false;
            } else if (c == u'"' && atCellStart_) {
                inQuotes_ = true;
                atCellStart_ = false;
                quoteRow_ = rowCount_ + 1;
                quoteColumn_ = columns_ + 1;
            } else if (c == u',') {
                endCell();
            } else if (c == u'\r' || c == u'\n') {
                if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                    ++i;
                endRow();
            } else {
                cell_ += c;
                atCellStart_ = false;
            }
        }
        if (inQuotes_)
            return fail(ErrorKind::Format, QStringLiteral("%1 行目 %2 列目の引用符が閉じられていません。")
                                               .arg(quoteRow_)
                                               .arg(quoteColumn_));
        if (!atCellStart_ || columns_ > 0)
            endRow();
        return {};
    }

private:
    // Appends the quoted characters from i up to the next quote at once;
    // returns the index of the last one appended.
    qsizetype appendQuotedRun(QStringView text, qsizetype i)
    {
        qsizetype end = text.indexOf(u'"', i);
        if (end < 0)
            end = text.size();
        cell_ += text.sliced(i, end - i);
        return end - 1;
    }

    static bool endsCell(QChar c) { return c == u',' || c == u'\r' || c == u'\n'; }

    // A quote closed before anything but a comma or the line end: most often
    // one left open on an earlier line, swallowing the line break.
    std::unexpected<Error> misplacedClosingQuote(QChar next) const
    {
        if (next == u'\t' || next == u';')
            return std::unexpected(notCommaSeparated(quoteRow_));
        return fail(ErrorKind::Format,
                    QStringLiteral("%1 行目 %2 列目の引用符が正しく閉じられていません（閉じる引用符の後に"
                                   "コンマも行末もありません）。値の中の引用符は \"\" と二重にします。")
                        .arg(quoteRow_)
                        .arg(quoteColumn_));
    }

    // The cell's buffer goes into the row and the row's old one comes back
    // for the next cell: a file of a million cells allocates few strings.
    void endCell()
    {
        if (columns_ < row_.size())
            row_[columns_].swap(cell_);
        else
            row_.append(std::exchange(cell_, QString()));
        ++columns_;
        cell_.truncate(0);
        atCellStart_ = true;
    }
    void endRow()
    {
        endCell();
        row_.resize(columns_);
        take_(row_);
        ++rowCount_;
        columns_ = 0;
    }

    const CsvRowSink& take_;
    QStringList row_;
    qsizetype columns_ = 0;
    qsizetype rowCount_ = 0;
    QString cell_;
    bool inQuotes_ = false;
    bool atCellStart_ = true;
    qsizetype quoteRow_ = 0;
    qsizetype quoteColumn_ = 0;
};

} // namespace

QByteArray encodeCsvRow(const QStringList& cells)
{
    QByteArray bytes;
    appendCsvRow(bytes, cells);
    return bytes;
}

void appendCsvRow(QByteArray& bytes, const QStringList& cells)
{
    for (qsizetype c = 0; c < cells.size(); ++c) {
        bytes += c == 0 ? "\"" : ",\"";
        QStringView rest = cells[c];
        for (qsizetype quote = rest.indexOf(u'"'); quote >= 0; quote = rest.indexOf(u'"')) {
            appendCp932(bytes, rest.first(quote));
            bytes += "\"\"";
            rest = rest.sliced(quote + 1);
        }
        appendCp932(bytes, rest);
        bytes += '"';
    }
    bytes += "\r\n";
}

Error notCommaSeparated(qsizetype row)
{
    return {ErrorKind::Format,
            QStringLiteral("%1 行目がタブかセミコロンで区切られています。区切り文字がコンマではありません。"
                           "表計算ソフトでは「CSV（コンマ区切り）」の形式で保存してください。")
                .arg(row)};
}

Result<void> parseCsv(QStringView text, const CsvRowSink& take) { return CsvParser(take).parse(text); }

Result<CsvRows> parseCsv(QStringView text)
{
    CsvRows rows;
    if (auto parsed = parseCsv(text, [&rows](const QStringList& row) { rows.append(row); }); !parsed)
        return std::unexpected(parsed.error());
    return rows;
}

Result<void> readCsv(QIODevice& device, const CsvRowSink& take)
{
    if (!device.isReadable())
        return fail(ErrorKind::Io, device.errorString());
    return parseCsv(decodeCp932OrUtf8(device.readAll()), take);
}

Result<CsvRows> readCsv(QIODevice& device)
{
    CsvRows rows;
    if (auto read = readCsv(device, [&rows](const QStringList& row) { rows.append(row); }); !read)
        return std::unexpected(read.error());
    return rows;
}
