// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_test_support.h"

#include "lists/list_file.h"

#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QTreeWidget* results(const EditorBench& bench) { return bench.get<QTreeWidget>(u"findResults"_s); }

QStringList row(const EditorBench& bench, int i)
{
    QStringList cells;
    const QTreeWidgetItem* item = results(bench)->topLevelItem(i);
    for (int column = 0; item && column < item->columnCount(); ++column)
        cells.append(item->text(column));
    return cells;
}

QStringList shownNumbers(const EditorBench& bench)
{
    QStringList numbers;
    for (int i = 0; i < results(bench)->topLevelItemCount(); ++i)
        numbers.append(results(bench)->topLevelItem(i)->text(0));
    return numbers;
}

void find(const QString& text)
{
    op::press(Qt::Key_F, Qt::ControlModifier);
    op::type(text);
}

} // namespace

TEST(FindGuest, PartOfANameThenEnterOrAClickShowsThatGuest)
{
    GuestRecord hana = makeGuest(u"山本"_s, u"花"_s);
    hana.address = u"hana@example.jp"_s;
    hana.CoName = u"本田工業"_s;
    EditorBench bench(
        {makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"山本"_s, u"一郎"_s), makeGuest(u"佐藤"_s), hana});
    const QByteArray before = readBytes(bench.list);
    op::click(bench.text1(0));

    find(u"本"_s);
    EXPECT_EQ(shownNumbers(bench), (QStringList{u"2"_s, u"4"_s}));
    EXPECT_EQ(row(bench, 1), (QStringList{u"4"_s, u"山本"_s, u"花"_s, u"hana@example.jp"_s, u"本田工業"_s}));
    op::press(Qt::Key_Down);
    op::press(Qt::Key_Return);
    EXPECT_EQ(bench.label13(), u"4"_s);
    EXPECT_EQ(bench.text1(1)->text(), u"花"_s);
    EXPECT_FALSE(results(bench)->isVisible());

    find(u"田"_s); // Ctrl+F selects the last search, so typing replaces it
    ASSERT_EQ(shownNumbers(bench), (QStringList{u"1"_s, u"4"_s}));
    QTreeWidget* list = results(bench);
    op::clickAt(list->viewport(), list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(bench.label13(), u"1"_s);
    EXPECT_EQ(bench.text1(0)->text(), u"山田"_s);
    EXPECT_EQ(readBytes(bench.list), before);
    EXPECT_TRUE(bench.prompts.asked.isEmpty());

    // Leaving an edited guest by the search asks first.
    op::clickInText(bench.text1(1), 2);
    op::type(u"代"_s);
    bench.prompts.answers = {PromptAnswer::No};
    find(u"佐藤"_s);
    op::press(Qt::Key_Return);
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_EQ(bench.prompts.asked[0].text, u"変更を保存しますか？");
    EXPECT_EQ(bench.label13(), u"3"_s);
    EXPECT_EQ(readBytes(bench.list), before);
}

TEST(FindGuest, FindsWhatWasWrittenSinceTheSearchOpened)
{
    EditorBench bench({makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"佐藤"_s)});
    op::click(bench.text1(0));
    find(u"佐藤"_s);
    EXPECT_EQ(shownNumbers(bench), (QStringList{u"2"_s}));

    bench.retype(bench.text1(0), u"斎藤"_s);
    bench.click(u"Command5"_s);
    op::click(bench.text1(0));
    find(u"斎藤"_s);
    EXPECT_EQ(shownNumbers(bench), (QStringList{u"1"_s}));

    // Another writer adds a guest while the results show.
    ASSERT_TRUE(WriteGuestRecord(bench.list, 3, makeGuest(u"斎藤"_s, u"次郎"_s)));
    op::type(u" "_s);
    EXPECT_EQ(shownNumbers(bench), (QStringList{u"1"_s, u"3"_s}));
    op::press(Qt::Key_Down);
    op::press(Qt::Key_Return);
    EXPECT_EQ(bench.text1(1)->text(), u"次郎"_s);
}
