// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalist/data_list_rows.h"

#include "test_support.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(DataListRows, NumbersArePaddedToFourDigitsOnly)
{
    EXPECT_EQ(dataListNumber(1), u"0001"_s);
    EXPECT_EQ(dataListNumber(7), u"0007"_s);
    EXPECT_EQ(dataListNumber(42), u"0042"_s);
    EXPECT_EQ(dataListNumber(999), u"0999"_s);
    EXPECT_EQ(dataListNumber(1234), u"1234"_s);
    EXPECT_EQ(dataListNumber(12345), u"12345"_s);
}

TEST(DataListRows, CellsAreTrimmedInColumnOrder)
{
    TestHome home;
    GuestRecord guest = makeGuest(u"山田"_s, u"太郎"_s);
    guest.hName = u"やまちゃん"_s;
    guest.CoName = u"山田商事"_s;
    guest.Post = u"100-0001"_s;
    guest.jyusyo = u"東京都 千代田区"_s;
    guest.TEL = u"03-1234-5678"_s;
    guest.FAX = u"03-1234-5679"_s;
    guest.address = u"taro@example.jp"_s;
    guest.birthday = u"1970/01/01"_s;
    writeList(home.path(u"g.lst"_s), {guest});

    const auto rows = readDataListRows(home.path(u"g.lst"_s));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1);
    EXPECT_EQ(rows->at(0).number, u"0001"_s);
    EXPECT_EQ(rows->at(0).cells,
              QStringList({u"0001"_s, u"山田太郎"_s, u"やまちゃん"_s, u"山田商事"_s, u"100-0001"_s, u"東京都 千代田区"_s,
                           u"03-1234-5678"_s, u"03-1234-5679"_s, u"taro@example.jp"_s, u"1970/01/01"_s}));
}

TEST(DataListRows, BlankFamilyNameEndsTheRows)
{
    TestHome home;
    writeList(home.path(u"g.lst"_s),
              {makeGuest(u"A"_s), makeGuest(u"B"_s), makeGuest(u"    "_s, u"given"_s), makeGuest(u"D"_s)});
    EXPECT_EQ(readDataListRows(home.path(u"g.lst"_s)).value().size(), 2);

    writeBytes(home.path(u"empty.lst"_s), QByteArray(346, '\0'));
    EXPECT_TRUE(readDataListRows(home.path(u"empty.lst"_s)).value().isEmpty());
}

TEST(DataListRows, UnreadableListIsAnErrorNamingIt)
{
    TestHome home;
    QDir(home.root()).mkdir(u"dir.lst"_s);
    const auto rows = readDataListRows(home.path(u"dir.lst"_s));
    ASSERT_FALSE(rows);
    EXPECT_TRUE(rows.error().message.contains(u"dir.lst"_s));
}

TEST(DataListRows, AtMostTheLargestRecordNumber)
{
    TestHome home;
    const QByteArray record = encodeGuestRecord(makeGuest(u"A"_s));
    writeBytes(home.path(u"big.lst"_s), record.repeated(32768));
    const auto rows = readDataListRows(home.path(u"big.lst"_s));
    ASSERT_EQ(rows.value().size(), 32767);
    EXPECT_EQ(rows->last().number, u"32767"_s);
}
