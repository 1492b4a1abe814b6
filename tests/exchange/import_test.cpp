// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_export.h"
#include "exchange/csv_import.h"
#include "lists/list_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

// A guest line of 29 cells: number, names, blanks, then the given switches.
QString guestLine(int number, const QString& family, const QString& given, const QStringList& switches = {})
{
    QStringList cells{QString::number(number), family, given};
    while (cells.size() < 21)
        cells.append(QString());
    for (int i = 0; i < 8; ++i)
        cells.append(switches.value(i, u"0"_s));
    return cells.join(u',') + u"\r\n"_s;
}

const QString kTitles = u"番号,名字,名前\r\n"_s;

QList<GuestRecord> guestsIn(const QString& listPath)
{
    return readGuestList(listPath, EndTest::EmptyRecord).value();
}

} // namespace

TEST(CsvImport, ExportThenImportGivesBackEveryByte)
{
    TestHome home;
    GuestRecord a = makeGuest(u"山田"_s, u"太郎"_s);
    a.hName = u"ＡＢＣ \"やま\", ①"_s;
    a.jyusyo = u"東京都千代田区千代田１－１\r\n二行目"_s;
    a.keisyou = u"様"_s;
    a.birthday = u"1970/12/31"_s;
    a.seventh = u"2025/01/01"_s;
    a.repeat = -32768;
    a.mail7 = 32767;
    GuestRecord b = makeGuest(u"Suzuki12"_s, u"Hanako"_s);
    b.soushin = u"停止済"_s;
    b.mail3 = 1;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {a, b});
    const QByteArray before = readBytes(list);
    ASSERT_TRUE(exportList(list, home.path(u"Quolda.csv"_s)));
    writeList(list, {makeGuest(u"x"_s), makeGuest(u"y"_s)});

    const auto count = importList(home.path(u"Quolda.csv"_s), list);
    ASSERT_TRUE(count) << count.error().message.toStdString();
    EXPECT_EQ(*count, 2);
    EXPECT_EQ(readBytes(list), before);
}

TEST(CsvImport, ThreeLinesIntoFiveLeaveFourAndFiveUnchanged)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"1"_s), makeGuest(u"2"_s), makeGuest(u"3"_s), makeGuest(u"四"_s), makeGuest(u"五"_s)});
    const QByteArray old = readBytes(list);
    writeBytes(home.path(u"Quolda.csv"_s),
               (kTitles + guestLine(1, u"A"_s, u"a"_s) + guestLine(2, u"B"_s, u"b"_s) + guestLine(3, u"C"_s, u"c"_s))
                   .toUtf8());

    const auto count = importList(home.path(u"Quolda.csv"_s), list);
    ASSERT_TRUE(count);
    EXPECT_EQ(*count, 3);
    const QByteArray now = readBytes(list);
    ASSERT_EQ(now.size(), 5 * 346);
    EXPECT_EQ(now.mid(3 * 346), old.mid(3 * 346));
    EXPECT_EQ(guestsIn(list).at(2).fName, u"C       "_s);
    EXPECT_EQ(guestsIn(list).at(2).soushin, u"      "_s);
}

TEST(CsvImport, BytesPastTheImportedRecordsAreCarriedOverEvenAPartialRecord)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    const QByteArray tail = "\x01\x02\x03 partial";
    writeBytes(list, encodeGuestRecord(makeGuest(u"old"_s)) + encodeGuestRecord(makeGuest(u"keep"_s)) + tail);
    const QByteArray old = readBytes(list);
    writeBytes(home.path(u"Quolda.csv"_s), (kTitles + guestLine(1, u"new"_s, u""_s)).toUtf8());

    ASSERT_EQ(importList(home.path(u"Quolda.csv"_s), list).value(), 1);
    EXPECT_EQ(readBytes(list).mid(346), old.mid(346));
}

TEST(CsvImport, EmptyFirstColumnEndsTheImport)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"x"_s)});
    writeBytes(home.path(u"Quolda.csv"_s),
               (kTitles + guestLine(1, u"A"_s, u""_s) + u",B,b\r\n"_s + guestLine(3, u"C"_s, u""_s, {u"bad"_s}))
                   .toUtf8());

    EXPECT_EQ(importList(home.path(u"Quolda.csv"_s), list).value(), 1);
    EXPECT_EQ(readBytes(list).size(), 346);
}

TEST(CsvImport, ShortLineAfterAFullOneLeavesTheRestOfItsGuestBlank)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(home.path(u"Quolda.csv"_s),
               (kTitles + guestLine(1, u"A"_s, u"Taro"_s, {u"1"_s, u"1"_s, u"1"_s}) + u"2,B\r\n"_s).toUtf8());

    ASSERT_EQ(importList(home.path(u"Quolda.csv"_s), list).value(), 2);
    const QByteArray second = "B" + QByteArray(175, ' ') + QByteArray(16, '\0') + QByteArray(154, ' ');
    EXPECT_EQ(readBytes(list).mid(kRecordSize), second);
}

TEST(CsvImport, TitleRowOnlyImportsNothing)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"x"_s)});
    const QByteArray old = readBytes(list);
    for (const QString& text : {kTitles, u""_s, u"\r\n"_s + guestLine(1, u"A"_s, u""_s)}) {
        writeBytes(home.path(u"Quolda.csv"_s), text.toUtf8());
        EXPECT_EQ(importList(home.path(u"Quolda.csv"_s), list).value(), 0);
        EXPECT_EQ(readBytes(list), old);
    }
}

TEST(CsvImport, TextCellsAreFittedToTheField)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(home.path(u"Quolda.csv"_s),
               (kTitles + guestLine(1, u"山田山田山田"_s, u"Abcdefghijkl"_s)).toUtf8());
    ASSERT_TRUE(importList(home.path(u"Quolda.csv"_s), list));
    const QByteArray record = readBytes(list);
    EXPECT_EQ(record.mid(0, 8), QByteArray("\x8E\x52\x93\x63\x8E\x52\x93\x63"));
    EXPECT_EQ(record.mid(8, 8), QByteArray("Abcdefgh"));
    EXPECT_EQ(record.mid(16, 20), QByteArray(20, ' '));
}

TEST(CsvImport, ColumnsPastTwentyNineAreIgnored)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    QString line = guestLine(1, u"A"_s, u""_s, {u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s});
    line.insert(line.size() - 2, u",junk,more"_s);
    writeBytes(home.path(u"Quolda.csv"_s), (kTitles + line).toUtf8());
    ASSERT_TRUE(importList(home.path(u"Quolda.csv"_s), list));
    EXPECT_EQ(guestsIn(list).at(0).mail7, 1);
}

TEST(CsvImport, SwitchCellsRoundHalfToEvenAndStayInRange)
{
    EXPECT_EQ(parseSwitchCell(u"2.5"_s), 2);
    EXPECT_EQ(parseSwitchCell(u"3.5"_s), 4);
    EXPECT_EQ(parseSwitchCell(u"-2.5"_s), -2);
    EXPECT_EQ(parseSwitchCell(u"0.6"_s), 1);
    EXPECT_EQ(parseSwitchCell(u""_s), 0);
    EXPECT_EQ(parseSwitchCell(u" 7 "_s), 7);
    EXPECT_EQ(parseSwitchCell(u"-32768"_s), -32768);
    EXPECT_EQ(parseSwitchCell(u"32767.4"_s), 32767);
    EXPECT_EQ(parseSwitchCell(u"32767.5"_s), std::nullopt);
    EXPECT_EQ(parseSwitchCell(u"-32769"_s), std::nullopt);
    EXPECT_EQ(parseSwitchCell(u"on"_s), std::nullopt);
    EXPECT_EQ(parseSwitchCell(u"inf"_s), std::nullopt);
    EXPECT_EQ(parseSwitchCell(u"nan"_s), std::nullopt);
}

TEST(CsvImport, DateCellsAreEmptyOrYearMonthDayAndComeBackZeroPadded)
{
    EXPECT_EQ(parseDateCell(u"2026/1/5"_s), u"2026/01/05"_s);
    EXPECT_EQ(parseDateCell(u"2026/01/05"_s), u"2026/01/05"_s);
    EXPECT_EQ(parseDateCell(u"2024/2/29"_s), u"2024/02/29"_s);
    EXPECT_EQ(parseDateCell(u"          "_s), u""_s);
    EXPECT_EQ(parseDateCell(u""_s), u""_s);
    EXPECT_EQ(parseDateCell(u"Jan 05"_s), std::nullopt);
    EXPECT_EQ(parseDateCell(u"2025/2/29"_s), std::nullopt);
    EXPECT_EQ(parseDateCell(u"26/1/5"_s), std::nullopt);
    EXPECT_EQ(parseDateCell(u"2026-01-05"_s), std::nullopt);
    EXPECT_EQ(parseDateCell(u"2026/01/05x"_s), std::nullopt);
    EXPECT_EQ(parseDateCell(u"46027"_s), std::nullopt);
}

TEST(CsvImport, AtMost32767GuestLines)
{
    CsvRows rows{{u"番号"_s}};
    for (int n = 1; n <= 32767; ++n)
        rows.append({QString::number(n)});
    EXPECT_EQ(importGuests(rows).value().size(), 32767);
    rows.append({u"32768"_s});
    EXPECT_FALSE(importGuests(rows));
}

TEST(CsvImport, RoundedSwitchesReachTheRecord)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(home.path(u"Quolda.csv"_s), (kTitles + guestLine(1, u"A"_s, u""_s, {u"2.5"_s, u"3.5"_s})).toUtf8());
    ASSERT_TRUE(importList(home.path(u"Quolda.csv"_s), list));
    EXPECT_EQ(readBytes(list).mid(176, 4), QByteArray("\x02\x00\x04\x00", 4));
}

TEST(CsvImport, BadValueWritesNothingAndNamesLineAndColumn)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"x"_s), makeGuest(u"y"_s)});
    const QByteArray old = readBytes(list);
    writeBytes(home.path(u"Quolda.csv"_s),
               (kTitles + guestLine(1, u"A"_s, u""_s) + guestLine(2, u"B"_s, u""_s, {u"0"_s, u"abc"_s})).toUtf8());

    const auto result = importList(home.path(u"Quolda.csv"_s), list);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::Format);
    EXPECT_TRUE(result.error().message.contains(u"3 行目 23 列目"_s)) << result.error().message.toStdString();
    EXPECT_TRUE(result.error().message.contains(u"abc"_s));
    EXPECT_EQ(readBytes(list), old);
}

// The byte-order mark that opens a UTF-8 file is no character of it; one inside a cell is.
TEST(CsvImport, ByteOrderMarkInsideACellIsRefusedWithLineAndColumn)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"x"_s)});
    const QByteArray old = readBytes(list);
    writeBytes(home.path(u"Quolda.csv"_s),
               "\xEF\xBB\xBF" + (kTitles + guestLine(1, u"山田"_s, u""_s) + guestLine(2, u"山\uFEFF田"_s, u""_s)).toUtf8());

    const auto result = importList(home.path(u"Quolda.csv"_s), list);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().message.contains(u"3 行目 2 列目"_s)) << result.error().message.toStdString();
    EXPECT_EQ(readBytes(list), old);
}

TEST(CsvImport, UnclosedQuoteWritesNothing)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"x"_s)});
    writeBytes(home.path(u"Quolda.csv"_s), (kTitles + u"1,\"A,,\r\n"_s).toUtf8());
    const auto result = importList(home.path(u"Quolda.csv"_s), list);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().message.contains(u"2 行目"_s));
    EXPECT_EQ(readBytes(list), encodeGuestRecord(makeGuest(u"x"_s)));
}

TEST(CsvImport, Utf8FromASpreadsheetImportsLikeItsCp932Twin)
{
    TestHome home;
    const QString text = kTitles + guestLine(1, u"山田"_s, u"太郎"_s, {u"1"_s}) + guestLine(2, u"①"_s, u"～"_s);
    writeBytes(home.path(u"cp932.csv"_s), "\"\x94\xd4\x8d\x86\"\r\n1,\x8E\x52\x93\x63,\x91\xBE\x98\x59" +
                                              guestLine(1, u""_s, u""_s, {u"1"_s}).mid(3).toLatin1() +
                                              "2,\x87\x40,\x81\x60" + guestLine(1, u""_s, u""_s).mid(3).toLatin1());
    writeBytes(home.path(u"utf8.csv"_s), text.toUtf8());
    writeBytes(home.path(u"bom.csv"_s), "\xEF\xBB\xBF" + text.toUtf8());

    ASSERT_EQ(importList(home.path(u"cp932.csv"_s), home.path(u"a.lst"_s)).value(), 2);
    ASSERT_EQ(importList(home.path(u"utf8.csv"_s), home.path(u"b.lst"_s)).value(), 2);
    ASSERT_EQ(importList(home.path(u"bom.csv"_s), home.path(u"c.lst"_s)).value(), 2);
    const QByteArray expected = readBytes(home.path(u"a.lst"_s));
    EXPECT_EQ(expected.mid(0, 16), QByteArray("\x8E\x52\x93\x63    \x91\xBE\x98\x59    "));
    EXPECT_EQ(expected.mid(346, 4), QByteArray("\x87\x40\x20\x20"));
    EXPECT_EQ(readBytes(home.path(u"b.lst"_s)), expected);
    EXPECT_EQ(readBytes(home.path(u"c.lst"_s)), expected);
}

TEST(CsvImport, MissingFileGivesTheOperatorMessage)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeList(list, {makeGuest(u"x"_s)});
    const auto result = importList(home.path(u"Quolda.csv"_s), list);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::NotFound);
    EXPECT_EQ(result.error().message,
              home.path(u"Quolda.csv"_s) + u" が\n見つかりません。\nインポートを中止します"_s);
    EXPECT_EQ(readBytes(list), encodeGuestRecord(makeGuest(u"x"_s)));
}
