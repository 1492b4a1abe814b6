// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/editor_walks.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kZeroRecord(kRecordSize, '\0');

QByteArray listBytes(const QList<GuestRecord>& guests)
{
    QByteArray bytes;
    for (const GuestRecord& guest : guests)
        bytes += encodeGuestRecord(guest);
    return bytes;
}

} // namespace

TEST(KeywordLists, EveryGuestUpToTheEmptyRecordHasItsItemTrimmedInRecordOrder)
{
    GuestRecord first = makeGuest(u"山田  "_s, u"花子"_s);
    first.birthday = u"1990/01/02"_s;
    first.CoName = u"株式会社テスト   "_s;
    GuestRecord blank = makeGuest(QString(8, u' '));
    GuestRecord third = makeGuest(u"山田"_s, u"太郎"_s);
    third.address = u"taro@example.jp"_s;
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(list, listBytes({first, blank, third}) + kZeroRecord + encodeGuestRecord(makeGuest(u"高橋"_s)));

    const KeywordSource source = readKeywordSource(list).value();
    ASSERT_EQ(source.guestCount, 3);
    const auto column = [&](int keywordList) {
        return QStringList{keywordAt(source.listBytes, 1, keywordList), keywordAt(source.listBytes, 2, keywordList),
                           keywordAt(source.listBytes, 3, keywordList)};
    };
    EXPECT_EQ(column(0), (QStringList{u"山田"_s, u""_s, u"山田"_s}));
    EXPECT_EQ(column(1), (QStringList{u"花子"_s, u""_s, u"太郎"_s}));
    EXPECT_EQ(column(2), (QStringList{u""_s, u""_s, u""_s}));
    EXPECT_EQ(column(3), (QStringList{u"1990/01/02"_s, u""_s, u""_s}));
    EXPECT_EQ(column(4), (QStringList{u""_s, u""_s, u"taro@example.jp"_s}));
    EXPECT_EQ(column(5), (QStringList{u"株式会社テスト"_s, u""_s, u""_s}));
}

TEST(KeywordSearch, LowestRecordWinsAndTheEmptyRecordEndsTheSearch)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(list, listBytes({makeGuest(u"鈴木"_s), makeGuest(u"佐藤"_s, u"一郎"_s),
                                makeGuest(u"佐藤"_s, u"二郎"_s)})
                         + kZeroRecord + encodeGuestRecord(makeGuest(u"高橋"_s)));

    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::fName, u"佐藤"_s).value(), 2);
    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::sName, u"二郎"_s).value(), 3);
    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::fName, u"高橋"_s).value(), std::nullopt);
    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::fName, u"佐"_s).value(), std::nullopt);
}

TEST(KeywordSearch, ComparisonIsExactAndCaseSensitive)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    GuestRecord guest = makeGuest(u"Abe"_s);
    guest.address = u"a@example.jp"_s;
    writeList(list, {makeGuest(u"abe"_s), guest});
    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::fName, u"Abe"_s).value(), 2);
    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::address, u"A@example.jp"_s).value(), std::nullopt);
    EXPECT_EQ(findKeywordRecord(list, &GuestRecord::address, u"a@example.jp"_s).value(), 2);
}

TEST(NewRecordScan, StopsAtTheFirstEmptyRecordAtOrAfterTheStart)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    writeBytes(list, listBytes({makeGuest(u"a"_s), makeGuest(u"b"_s)}) + kZeroRecord
                         + encodeGuestRecord(makeGuest(u"d"_s)));
    EXPECT_EQ(firstEmptyRecordFrom(list, 1).value(), 3);
    EXPECT_EQ(firstEmptyRecordFrom(list, 3).value(), 3);
    EXPECT_EQ(firstEmptyRecordFrom(list, 4).value(), 5);
    EXPECT_EQ(firstEmptyRecordFrom(list, 9).value(), 9);
    EXPECT_EQ(firstEmptyRecordFrom(list, 0).value(), 3);
}

TEST(NewRecordScan, SpacesAreNotEmptyAndAPartialLastRecordIsRead)
{
    TestHome home;
    const QString list = home.path(u"g.lst"_s);
    QByteArray bytes = encodeGuestRecord(GuestRecord{}); // every text field spaces
    ASSERT_NE(bytes, kZeroRecord);
    bytes += QByteArray("x", 1);                         // a partial record with one byte set
    writeBytes(list, bytes);
    EXPECT_EQ(firstEmptyRecordFrom(list, 1).value(), 3);
    writeBytes(list, bytes.left(kRecordSize) + QByteArray(10, '\0'));
    EXPECT_EQ(firstEmptyRecordFrom(list, 1).value(), 2);
}

TEST(EditorWalks, UnreadableListIsAnErrorNamingTheFile)
{
    TestHome home;
    const QString list = home.path(u"missing/g.lst"_s);
    auto found = findKeywordRecord(list, &GuestRecord::fName, u"a"_s);
    ASSERT_FALSE(found.has_value());
    EXPECT_TRUE(found.error().message.contains(list));
    auto next = firstEmptyRecordFrom(list, 1);
    ASSERT_FALSE(next.has_value());
    EXPECT_TRUE(next.error().message.contains(list));
}
