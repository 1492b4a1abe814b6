// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv.h"

#include "test_support.h"

#include <QBuffer>
#include <gtest/gtest.h>

TEST(CsvWriter, QuotesEveryCellDoublesQuotesAndEndsWithCrLf)
{
    EXPECT_EQ(encodeCsvRow({u"1"_s, u"say \"hi\""_s, u""_s, u"a,b"_s}),
              QByteArray("\"1\",\"say \"\"hi\"\"\",\"\",\"a,b\"\r\n"));
}

TEST(CsvWriter, WritesCodePage932)
{
    EXPECT_EQ(encodeCsvRow({u"山田"_s, u"①"_s}), QByteArray("\"\x8E\x52\x93\x63\",\"\x87\x40\"\r\n"));
}

TEST(CsvReader, QuotedCellsKeepCommasQuotesAndLineBreaks)
{
    const auto rows = parseCsv(u"\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nplain,  spaced ,\r\n"_s);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2);
    EXPECT_EQ(rows->at(0), QStringList({u"a,b"_s, u"say \"hi\""_s, u"two\r\nlines"_s}));
    EXPECT_EQ(rows->at(1), QStringList({u"plain"_s, u"  spaced "_s, u""_s}));
}

TEST(CsvReader, LineEndsOfEveryKindAndNoneAtTheEnd)
{
    const auto rows = parseCsv(u"a\nb\rc\r\n\"d\""_s);
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, CsvRows({{u"a"_s}, {u"b"_s}, {u"c"_s}, {u"d"_s}}));
}

TEST(CsvReader, EmptyLineIsARowWithOneEmptyCell)
{
    const auto rows = parseCsv(u"a\r\n\r\nb\r\n"_s);
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, CsvRows({{u"a"_s}, {u""_s}, {u"b"_s}}));
}

TEST(CsvReader, QuoteInsideAnUnquotedCellIsText)
{
    const auto rows = parseCsv(u"ab\"c,\"x\""_s);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->at(0), QStringList({u"ab\"c"_s, u"x"_s}));
}

TEST(CsvReader, UnclosedQuoteIsAnErrorNamingItsRowAndColumn)
{
    const auto rows = parseCsv(u"\"a\"\r\n\"b\"\r\nc,\"d\r\n"_s);
    ASSERT_FALSE(rows);
    EXPECT_EQ(rows.error().kind, ErrorKind::Format);
    EXPECT_TRUE(rows.error().message.startsWith(u"3 行目 2 列目"_s)) << rows.error().message.toStdString();
}

TEST(CsvReader, ClosingQuoteMustBeFollowedByACommaOrTheLineEnd)
{
    const auto text = parseCsv(u"\"a\",\"say \"hi\"\",c\r\n"_s);
    ASSERT_FALSE(text);
    EXPECT_TRUE(text.error().message.startsWith(u"1 行目 2 列目の引用符が正しく閉じられていません"_s))
        << text.error().message.toStdString();
    const auto semicolons = parseCsv(u"\"a\";\"b\"\r\n"_s);
    ASSERT_FALSE(semicolons);
    EXPECT_TRUE(semicolons.error().message.contains(u"区切り文字がコンマではありません"_s));
}

TEST(CsvReader, ReadsCodePage932AndUtf8WithOrWithoutMark)
{
    const QByteArray cp932("\"\x8E\x52\x93\x63\",x\r\n");
    const QByteArray utf8 = u"\"山田\",x\r\n"_s.toUtf8();
    for (const QByteArray& bytes : {cp932, utf8, QByteArray("\xEF\xBB\xBF") + utf8}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        const auto rows = readCsv(buffer);
        ASSERT_TRUE(rows);
        EXPECT_EQ(*rows, CsvRows({{u"山田"_s, u"x"_s}}));
    }
}
