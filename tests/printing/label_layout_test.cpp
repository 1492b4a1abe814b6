// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/list_file.h"
#include "printing/label_layout.h"
#include "recording_surface.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

GuestRecord addressed(const QString& family, const QString& given, const QString& post, const QString& address,
                      const QString& company = QString())
{
    GuestRecord guest = makeGuest(family, given);
    guest.Post = post;
    guest.jyusyo = address;
    guest.CoName = company;
    return guest;
}

QList<GuestRecord> guests(int n)
{
    QList<GuestRecord> list;
    for (int i = 1; i <= n; ++i)
        list.append(addressed(u"姓%1"_s.arg(i), u"名"_s, u"100-000%1"_s.arg(i % 10), u"東京都"_s));
    return list;
}

// The top-left of every label: where its postal line was printed.
QList<QPointF> labelCorners(const RecordingSurface& surface, int page)
{
    QList<QPointF> corners;
    for (const auto& text : surface.textsOnPage(page))
        if (text.text.startsWith(u"〒"))
            corners.append({text.x, text.y});
    return corners;
}

struct LabelPrint : ::testing::Test {
    TestHome home;
    QString list = home.path(u"guestlst.lst"_s);
    RecordingSurface surface;
};

TEST_F(LabelPrint, DefaultSheetPutsTwelveLabelsOnTheGrid)
{
    writeList(list, guests(12));
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 12), 0, PrintSettings{}, surface), 12);
    const QList<QPointF> expected = {{10, 15},  {110, 15},  {10, 60},  {110, 60},  {10, 105}, {110, 105},
                                     {10, 150}, {110, 150}, {10, 195}, {110, 195}, {10, 240}, {110, 240}};
    EXPECT_EQ(labelCorners(surface, 0), expected);
    EXPECT_EQ(surface.page, 0);
    EXPECT_EQ(surface.ends, 1);
    EXPECT_EQ(surface.orientation, PageOrientation::Portrait);
    EXPECT_EQ(surface.fontPoints, 10);
}

TEST_F(LabelPrint, ThirteenthLabelOpensNewPageAtTheMargins)
{
    writeList(list, guests(15));
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 15), 0, PrintSettings{}, surface), 15);
    EXPECT_EQ(surface.page, 1);
    const QList<QPointF> second = {{10, 15}, {110, 15}, {10, 60}};
    EXPECT_EQ(labelCorners(surface, 1), second);
    EXPECT_EQ(surface.textsOnPage(1).first().text, u"〒100-0003"_s);
}

TEST_F(LabelPrint, SmallerPrintableAreaBreaksEarlier)
{
    surface.margin = 12; // printable height 273: the row at 240 (to 275) no longer fits
    writeList(list, guests(11));
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 11), 0, PrintSettings{}, surface), 11);
    EXPECT_EQ(labelCorners(surface, 0).size(), 10);
    const QList<QPointF> second = {{10, 15}};
    EXPECT_EQ(labelCorners(surface, 1), second);
}

TEST_F(LabelPrint, FourLinesWithPostMarkAndHonorific)
{
    writeList(list, {addressed(u"山田"_s, u"太郎"_s, u"123-4567"_s, u"東京都千代田区1-1"_s, u"山田商事"_s)});
    ASSERT_TRUE(PrintTackLabels(list, chooseRecords(u"0001"_s, 1), 0, PrintSettings{}, surface));
    ASSERT_EQ(surface.texts.size(), 4);
    // h is 4 mm on the recording surface: lines at y, y+h, y+4h, y+5h.
    const double ys[] = {15, 19, 31, 35};
    const QString texts[] = {u"〒123-4567"_s, u"東京都千代田区1-1"_s, u"山田商事"_s, u"山田 太郎　様"_s};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(surface.texts[i].x, 10);
        EXPECT_EQ(surface.texts[i].y, ys[i]);
        EXPECT_EQ(surface.texts[i].text, texts[i]);
    }
}

TEST_F(LabelPrint, BlankFieldsStillGiveAllFourLines)
{
    // Stored fields are space padded; only the padding goes.
    writeList(list, {addressed(u"佐藤"_s, QString(), u"        "_s, u"大阪"_s)});
    ASSERT_TRUE(PrintTackLabels(list, chooseRecords(u"0001"_s, 1), 0, PrintSettings{}, surface));
    ASSERT_EQ(surface.texts.size(), 4);
    EXPECT_EQ(surface.texts[0].text, u"〒"_s);
    EXPECT_EQ(surface.texts[2].text, QString());
    EXPECT_EQ(surface.texts[2].y, 31);
    EXPECT_EQ(surface.texts[3].text, u"佐藤 　様"_s);
}

TEST_F(LabelPrint, SingleGuestGoesToItsStartPosition)
{
    writeList(list, guests(5));
    ASSERT_TRUE(PrintTackLabels(list, chooseRecords(u"0004"_s, 5), 3, PrintSettings{}, surface));
    const QList<QPointF> expected = {{10, 60}};
    EXPECT_EQ(labelCorners(surface, 0), expected);
    EXPECT_EQ(surface.texts[0].text, u"〒100-0004"_s);

    RecordingSurface last;
    ASSERT_TRUE(PrintTackLabels(list, chooseRecords(u"0002"_s, 5), 12, PrintSettings{}, last));
    const QList<QPointF> corner = {{110, 240}};
    EXPECT_EQ(labelCorners(last, 0), corner);
}

TEST_F(LabelPrint, StartPositionBeyondTheSheetPrintsAtTheMarginsOfTheFirstPage)
{
    // The sheet may have shrunk in the dialog since the position was typed.
    writeList(list, guests(1));
    ASSERT_TRUE(PrintTackLabels(list, chooseRecords(u"0001"_s, 1), 40, PrintSettings{}, surface));
    const QList<QPointF> expected = {{10, 15}};
    EXPECT_EQ(labelCorners(surface, 0), expected);
    EXPECT_EQ(surface.page, 0);
}

TEST_F(LabelPrint, StartPositionLeftOverIsIgnoredForAll)
{
    writeList(list, guests(3));
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 3), 5, PrintSettings{}, surface), 3);
    const QList<QPointF> expected = {{10, 15}, {110, 15}, {10, 60}};
    EXPECT_EQ(labelCorners(surface, 0), expected);
    EXPECT_EQ(surface.texts[0].text, u"〒100-0001"_s);
    EXPECT_EQ(surface.texts[8].text, u"〒100-0003"_s);
}

TEST_F(LabelPrint, AllWithNoRowsPrintsNothingAndEndsNoDocument)
{
    writeList(list, {});
    EXPECT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 0), 0, PrintSettings{}, surface), 0);
    EXPECT_TRUE(surface.texts.isEmpty());
    EXPECT_EQ(surface.ends, 0);
}

TEST_F(LabelPrint, EmptyChooserPrintsRecordOne)
{
    writeList(list, guests(3));
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(QString(), 3), 0, PrintSettings{}, surface), 1);
    EXPECT_EQ(surface.texts[0].text, u"〒100-0001"_s);
}

TEST_F(LabelPrint, ZeroAcrossActsAsOneColumn)
{
    writeList(list, guests(3));
    PrintSettings settings;
    settings.across = 0;
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 3), 0, settings, surface), 3);
    const QList<QPointF> expected = {{10, 15}, {10, 60}, {10, 105}};
    EXPECT_EQ(labelCorners(surface, 0), expected);
}

TEST_F(LabelPrint, LabelTallerThanThePageGivesNoBlankPage)
{
    writeList(list, guests(2));
    PrintSettings settings;
    settings.height = 400;
    ASSERT_EQ(PrintTackLabels(list, chooseRecords(u"ALL"_s, 2), 0, settings, surface), 2);
    EXPECT_EQ(labelCorners(surface, 0).size(), 1);
    EXPECT_EQ(labelCorners(surface, 1).size(), 1);
    EXPECT_EQ(surface.page, 1);
}

TEST_F(LabelPrint, FailuresAreReported)
{
    writeList(list, guests(1));
    surface.endFailure = Error{ErrorKind::Io, u"書けません"_s};
    const auto printed = PrintTackLabels(list, chooseRecords(u"ALL"_s, 1), 0, PrintSettings{}, surface);
    ASSERT_FALSE(printed);
    EXPECT_EQ(printed.error().message, u"書けません"_s);

    RecordingSurface untouched;
    const auto missing = PrintTackLabels(home.path(u"no/such/dir/x.lst"_s), chooseRecords(u"ALL"_s, 1), 0,
                                         PrintSettings{}, untouched);
    EXPECT_FALSE(missing);
    EXPECT_EQ(untouched.ends, 0);
    EXPECT_TRUE(untouched.texts.isEmpty());
}

TEST(RecordChooser, ChoosesAllRowsOrOneRecord)
{
    EXPECT_EQ(chooseRecords(u"ALL"_s, 3).records, (QList<int>{1, 2, 3}));
    EXPECT_TRUE(chooseRecords(u"ALL"_s, 3).all);
    EXPECT_EQ(chooseRecords(u"0042"_s, 3).records, QList<int>{42});
    EXPECT_FALSE(chooseRecords(u"0042"_s, 3).all);
    EXPECT_EQ(chooseRecords(u""_s, 3).records, QList<int>{1});
    EXPECT_EQ(chooseRecords(u"-7"_s, 3).records, QList<int>{1});
}

} // namespace
