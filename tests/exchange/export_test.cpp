// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange/csv_export.h"

#include "test_support.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QByteArray sp(int n) { return QByteArray(n, ' '); }

// The title row as a spreadsheet shows it, written out in code page 932.
const QByteArray kTitleRow =
    "\"\x94\xd4\x8d\x86\",\"\x96\xbc\x8e\x9a\",\"\x96\xbc\x91O\",\"\x83j\x83""b\x83N\x83l\x81[\x83"
    "\x80\",\"\x90\xb6\x94N\x8c\x8e\x93\xfa\",\"\x83\x81\x81[\x83\x8b\x83""A\x83h\x83\x8c\x83X\",\""
    "\x94z\x90M\x8f\xf3\x8b\xb5\",\"\x8e\x91\x97\xbf\x91\x97\x95t\",\"\x8ch\x8f\xcc\",\"\x8e\xd0\x96"
    "\xbc\",\"\x97X\x95\xd6\x94\xd4\x8d\x86\",\"\x8fZ\x8f\x8a\",\"TEL\",\"FAX\",\"\x8f\x89\x89\xf1"
    "\x94z\x90M\x93\xfa\",\"\x82Q\x89\xf1\x96\xda\x94z\x90M\x93\xfa\",\"\x82R\x89\xf1\x96\xda\x94z"
    "\x90M\x93\xfa\",\"\x82S\x89\xf1\x96\xda\x94z\x90M\x93\xfa\",\"\x82T\x89\xf1\x96\xda\x94z\x90M"
    "\x93\xfa\",\"\x82U\x89\xf1\x96\xda\x94z\x90M\x93\xfa\",\"\x8d\xc5\x8fI\x94z\x90M\x93\xfa\",\""
    "\x8cJ\x95\xd4\x82\xb5\x94z\x90M\",\"\x8f\x89\x89\xf1\x94z\x90M\x82\xb7\x82\xe9/\x82\xb5\x82\xc8"
    "\x82\xa2\",\"\x82Q\x89\xf1\x96\xda\x94z\x90M\x82\xb7\x82\xe9/\x82\xb5\x82\xc8\x82\xa2\",\"\x82R"
    "\x89\xf1\x96\xda\x94z\x90M\x82\xb7\x82\xe9/\x82\xb5\x82\xc8\x82\xa2\",\"\x82S\x89\xf1\x96\xda"
    "\x94z\x90M\x82\xb7\x82\xe9/\x82\xb5\x82\xc8\x82\xa2\",\"\x82T\x89\xf1\x96\xda\x94z\x90M\x82\xb7"
    "\x82\xe9/\x82\xb5\x82\xc8\x82\xa2\",\"\x82U\x89\xf1\x96\xda\x94z\x90M\x82\xb7\x82\xe9/\x82\xb5"
    "\x82\xc8\x82\xa2\",\"\x8d\xc5\x8fI\x94z\x90M\x82\xb7\x82\xe9/\x82\xb5\x82\xc8\x82\xa2\"\r\n";

GuestRecord yamada()
{
    GuestRecord guest = makeGuest(u"山田"_s, u"Taro"_s);
    guest.hName = u"say \"hi\""_s;
    guest.birthday = u"1980/01/02"_s;
    guest.address = u"taro@example.jp"_s;
    guest.fast = u"2024/04/01"_s;
    guest.repeat = -1;
    guest.mail1 = 1;
    return guest;
}

} // namespace

TEST(CsvExport, SmallListGivesTheseBytes)
{
    TestHome home;
    writeList(home.path(u"g.lst"_s), {yamada(), makeGuest(u"Suzuki12"_s)});
    ASSERT_TRUE(exportList(home.path(u"g.lst"_s), home.path(u"Quolda.csv"_s)));

    const QByteArray dates6 = "\"" + sp(10) + "\",\"" + sp(10) + "\",\"" + sp(10) + "\",\"" + sp(10) + "\",\"" +
                              sp(10) + "\",\"" + sp(10) + "\"";
    const QByteArray line2 = "\"1\",\"\x8E\x52\x93\x63" + sp(6) + "\",\"Taro" + sp(4) + "\",\"say \"\"hi\"\"" +
                             sp(12) + "\",\"1980/01/02\",\"taro@example.jp" + sp(25) +
                             "\",\"\x94\x7A\x90\x4D\x92\x86" + sp(3) + "\",\"" + sp(6) + "\",\"" + sp(8) +
                             "\",\"" + sp(40) + "\",\"" + sp(8) + "\",\"" + sp(80) + "\",\"" + sp(13) + "\",\"" +
                             sp(13) + "\",\"2024/04/01\"," + dates6 +
                             ",\"-1\",\"1\",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\"\r\n";
    const QByteArray line3 = "\"2\",\"Suzuki12\",\"" + sp(8) + "\",\"" + sp(20) + "\",\"" + sp(10) + "\",\"" +
                             sp(40) + "\",\"\x94\x7A\x90\x4D\x92\x86" + sp(3) + "\",\"" + sp(6) + "\",\"" +
                             sp(8) + "\",\"" + sp(40) + "\",\"" + sp(8) + "\",\"" + sp(80) + "\",\"" + sp(13) +
                             "\",\"" + sp(13) + "\",\"" + sp(10) + "\"," + dates6 +
                             ",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\"\r\n";
    EXPECT_EQ(readBytes(home.path(u"Quolda.csv"_s)), kTitleRow + line2 + line3);
}

TEST(CsvExport, BlankFirstFamilyNameGivesTheTitleRowOnly)
{
    TestHome home;
    writeList(home.path(u"g.lst"_s), {makeGuest(u"   "_s, u"Taro"_s), makeGuest(u"Sato"_s)});
    ASSERT_TRUE(exportList(home.path(u"g.lst"_s), home.path(u"Quolda.csv"_s)));
    EXPECT_EQ(readBytes(home.path(u"Quolda.csv"_s)), kTitleRow);
}

TEST(CsvExport, BlankFamilyNameInTheMiddleEndsTheExport)
{
    TestHome home;
    writeList(home.path(u"g.lst"_s), {makeGuest(u"A"_s), makeGuest(u""_s, u"B"_s), makeGuest(u"C"_s)});
    const auto rows = exportRows(home.path(u"g.lst"_s));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2);
    EXPECT_EQ(rows->at(1).value(1), u"A       "_s);
}

TEST(CsvExport, SecondExportOverwritesWithIdenticalBytes)
{
    TestHome home;
    writeList(home.path(u"g.lst"_s), {yamada()});
    writeBytes(home.path(u"Quolda.csv"_s), QByteArray(5000, 'x'));
    ASSERT_TRUE(exportList(home.path(u"g.lst"_s), home.path(u"Quolda.csv"_s)));
    const QByteArray first = readBytes(home.path(u"Quolda.csv"_s));
    ASSERT_TRUE(exportList(home.path(u"g.lst"_s), home.path(u"Quolda.csv"_s)));
    EXPECT_EQ(readBytes(home.path(u"Quolda.csv"_s)), first);
    EXPECT_TRUE(first.startsWith(kTitleRow));
    EXPECT_FALSE(first.contains('x' + QByteArray("xxxx")));
}

TEST(CsvExport, UnwritableTargetIsReported)
{
    TestHome home;
    writeList(home.path(u"g.lst"_s), {yamada()});
    const auto result = exportList(home.path(u"g.lst"_s), home.path(u"missing/Quolda.csv"_s));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::Io);
    EXPECT_TRUE(result.error().message.contains(u"missing/Quolda.csv"_s));
}

TEST(CsvExport, UnreadableListLeavesTheOldFile)
{
    TestHome home;
    QDir(home.root()).mkdir(u"notalist.lst"_s);
    writeBytes(home.path(u"Quolda.csv"_s), "old");
    EXPECT_FALSE(exportList(home.path(u"notalist.lst"_s), home.path(u"Quolda.csv"_s)));
    EXPECT_EQ(readBytes(home.path(u"Quolda.csv"_s)), QByteArray("old"));
}
