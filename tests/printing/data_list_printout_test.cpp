// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/data_list_printout.h"
#include "recording_surface.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

QList<GuestRecord> guests(int n)
{
    QList<GuestRecord> list;
    for (int i = 1; i <= n; ++i) {
        GuestRecord guest = makeGuest(u"山田"_s, u"太郎%1"_s.arg(i));
        guest.hName = u"たろう"_s;
        guest.CoName = u"山田商事"_s;
        guest.Post = u"123-4567"_s;
        guest.jyusyo = u"東京都"_s;
        guest.TEL = u"03-1111-2222"_s;
        guest.FAX = u"03-1111-3333"_s;
        guest.address = u"taro@example.jp"_s;
        guest.birthday = u"1970/01/02"_s;
        list.append(guest);
    }
    return list;
}

struct TablePrint : ::testing::Test {
    TestHome home;
    QString list = home.path(u"guestlst.lst"_s);
    RecordingSurface surface;
    void SetUp() override
    {
        surface.charWidth = 1.5; // w
        surface.lineHeight = 3.0; // h: line r stands at 20 + 4.2 r
    }
};

TEST_F(TablePrint, ColumnsStartAtMultiplesOfTheWidthOfZero)
{
    writeList(list, guests(1));
    ASSERT_EQ(PrintDataList(list, chooseRecords(u"0001"_s, 1), surface), 1);
    EXPECT_EQ(surface.orientation, PageOrientation::Landscape);
    EXPECT_EQ(surface.fontPoints, 7);
    ASSERT_EQ(surface.texts.size(), 20);
    const double xs[] = {10, 17.5, 37, 65.5, 112, 125.5, 205, 226, 247, 292};
    const QStringList titles = {u"番号"_s, u"氏名"_s, u"ニックネーム"_s, u"会社名"_s, u"〒"_s,
                                u"住所"_s, u"TEL"_s, u"FAX"_s, u"メールアドレス"_s, u"生年月日"_s};
    const QStringList line = {u"0001"_s, u"山田太郎1"_s, u"たろう"_s, u"山田商事"_s, u"123-4567"_s, u"東京都"_s,
                              u"03-1111-2222"_s, u"03-1111-3333"_s, u"taro@example.jp"_s, u"1970/01/02"_s};
    for (int i = 0; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(surface.texts[i].x, xs[i]);
        EXPECT_DOUBLE_EQ(surface.texts[i].y, 20);
        EXPECT_EQ(surface.texts[i].text, titles[i]);
        EXPECT_DOUBLE_EQ(surface.texts[10 + i].x, xs[i]);
        EXPECT_DOUBLE_EQ(surface.texts[10 + i].y, 24.2);
        EXPECT_EQ(surface.texts[10 + i].text, line[i]);
    }
}

TEST_F(TablePrint, SingleGuestGivesOnePageWithHeadAndOneRuledLine)
{
    writeList(list, guests(3));
    ASSERT_EQ(PrintDataList(list, chooseRecords(u"0002"_s, 3), surface), 1);
    EXPECT_EQ(surface.page, 0);
    EXPECT_EQ(surface.ends, 1);
    ASSERT_EQ(surface.lines.size(), 3);
    const double ys[] = {20 - 0.6, 20 + 3.6, 24.2 + 3.6};
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(surface.lines[i].x1, 10);
        EXPECT_DOUBLE_EQ(surface.lines[i].x2, 287);
        EXPECT_DOUBLE_EQ(surface.lines[i].y1, ys[i]);
        EXPECT_DOUBLE_EQ(surface.lines[i].y2, ys[i]);
    }
    EXPECT_EQ(surface.texts[10].text, u"0002"_s);
}

TEST_F(TablePrint, EveryPageStartsWithItsHead)
{
    // Printable height 210: the check passes while 20 + 4.2 r + 3 + 20 <= 210, that is
    // for r = 0..39, so a page holds 40 guest lines.
    writeList(list, guests(100));
    ASSERT_EQ(PrintDataList(list, chooseRecords(u"ALL"_s, 100), surface), 100);
    EXPECT_EQ(surface.page, 2);
    const int perPage[] = {40, 40, 20};
    for (int p = 0; p < 3; ++p) {
        const auto texts = surface.textsOnPage(p);
        ASSERT_EQ(texts.size(), 10 * (perPage[p] + 1)) << p;
        EXPECT_EQ(texts[0].text, u"番号"_s);
        EXPECT_DOUBLE_EQ(texts[0].y, 20);
        EXPECT_EQ(texts[10].text, QString::number(p * 40 + 1).rightJustified(4, u'0'));
        EXPECT_DOUBLE_EQ(texts[10].y, 24.2);
        const auto lines = surface.linesOnPage(p);
        ASSERT_EQ(lines.size(), perPage[p] + 2);
        EXPECT_DOUBLE_EQ(lines[0].y1, 19.4);
        EXPECT_DOUBLE_EQ(lines.last().y1, 20 + 4.2 * perPage[p] + 3.6);
    }
}

TEST_F(TablePrint, EmptyGuestLineStillGetsItsRule)
{
    writeBytes(list, QByteArray(kRecordSize, '\0'));
    ASSERT_EQ(PrintDataList(list, chooseRecords(u"0001"_s, 0), surface), 1);
    EXPECT_EQ(surface.lines.size(), 3);
    EXPECT_EQ(surface.texts[10].text, u"0001"_s);
    EXPECT_EQ(surface.texts[11].text, QString());
}

TEST_F(TablePrint, AllWithNoRowsPrintsNothing)
{
    writeList(list, {});
    EXPECT_EQ(PrintDataList(list, chooseRecords(u"ALL"_s, 0), surface), 0);
    EXPECT_EQ(surface.ends, 0);
    EXPECT_TRUE(surface.lines.isEmpty());
}

} // namespace
