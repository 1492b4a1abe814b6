// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalist/ui/data_list_panel.h"

#include "test_support.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct PanelFixture {
    TestHome home;
    ScriptedPrompts prompts;
    QString list = home.path(u"g.lst"_s);
    DataListPanel panel{[this] { return list; }, prompts};

    QTableView* view() { return panel.findChild<QTableView*>(u"ListView1"_s); }
    QComboBox* combo() { return panel.findChild<QComboBox*>(u"Combo9"_s); }
    QLineEdit* text26() { return panel.findChild<QLineEdit*>(u"Text26"_s); }
    QString cell(int row, int column) { return view()->model()->index(row, column).data().toString(); }
};

QStringList comboItems(QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

} // namespace

TEST(DataListPanel, FiveDigitNumbersStayAndOthersArePadded)
{
    PanelFixture f;
    writeBytes(f.list, encodeGuestRecord(makeGuest(u"A"_s)).repeated(12345));
    f.panel.refreshForTab();
    ASSERT_EQ(f.panel.rowCount(), 12345);
    EXPECT_EQ(f.cell(6, 0), u"0007"_s);
    EXPECT_EQ(f.cell(41, 0), u"0042"_s);
    EXPECT_EQ(f.cell(1233, 0), u"1234"_s);
    EXPECT_EQ(f.cell(12344, 0), u"12345"_s);
    EXPECT_EQ(f.combo()->count(), 12346);
    EXPECT_EQ(f.combo()->itemText(12345), u"12345"_s);
}

TEST(DataListPanel, RowsShowTheGuestsUpToTheFirstBlankFamilyName)
{
    PanelFixture f;
    GuestRecord yamada = makeGuest(u"山田"_s, u"太郎"_s);
    yamada.Post = u"100-0001"_s;
    writeList(f.list, {yamada, makeGuest(u"Sato"_s), makeGuest(u" "_s, u"x"_s), makeGuest(u"Late"_s)});
    f.panel.refreshForTab();
    EXPECT_EQ(f.panel.rowCount(), 2);
    EXPECT_EQ(f.cell(0, 1), u"山田太郎"_s);
    EXPECT_EQ(f.cell(0, 4), u"100-0001"_s);
    EXPECT_EQ(comboItems(f.combo()), QStringList({u"ALL"_s, u"0001"_s, u"0002"_s}));
}

TEST(DataListPanel, SelectingTheTabTwiceKeepsOneAllAndNothingChosen)
{
    PanelFixture f;
    writeList(f.list, {makeGuest(u"A"_s), makeGuest(u"B"_s)});
    f.panel.refreshForTab();
    f.panel.refreshForTab();
    EXPECT_EQ(comboItems(f.combo()), QStringList({u"ALL"_s, u"0001"_s, u"0002"_s}));
    EXPECT_EQ(f.panel.rowCount(), 2);
    EXPECT_TRUE(f.combo()->currentText().isEmpty());
}

TEST(DataListPanel, EmptyListLeavesOnlyAll)
{
    PanelFixture f;
    writeBytes(f.list, QByteArray(346, '\0'));
    f.panel.refreshForTab();
    EXPECT_EQ(f.panel.rowCount(), 0);
    EXPECT_EQ(comboItems(f.combo()), QStringList({u"ALL"_s}));
}

TEST(DataListPanel, ChooserEnablesOrGreysTheStartPosition)
{
    PanelFixture f;
    writeList(f.list, {makeGuest(u"A"_s), makeGuest(u"B"_s)});
    f.panel.show();
    f.panel.refreshForTab();
    ASSERT_FALSE(f.text26()->isEnabled());
    EXPECT_EQ(f.text26()->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));

    f.combo()->setFocus();
    QTest::keyClick(f.combo(), Qt::Key_Down); // "ALL"
    QTest::keyClick(f.combo(), Qt::Key_Down); // "0001"
    ASSERT_EQ(f.combo()->currentText(), u"0001"_s);
    EXPECT_TRUE(f.text26()->isEnabled());
    EXPECT_EQ(f.text26()->palette().color(QPalette::Base), QColor(Qt::white));

    QTest::keyClicks(f.text26(), u"3"_s);
    QTest::keyClick(f.combo(), Qt::Key_Up);
    ASSERT_EQ(f.combo()->currentText(), u"ALL"_s);
    EXPECT_FALSE(f.text26()->isEnabled());
    EXPECT_EQ(f.text26()->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(f.text26()->text(), u"3"_s);
}

TEST(DataListPanel, HeadersWidthsAndAlignment)
{
    PanelFixture f;
    writeList(f.list, {makeGuest(u"A"_s)});
    f.panel.refreshForTab();
    QAbstractItemModel* model = f.view()->model();
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers.append(model->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(headers, QStringList({u"番号"_s, u"氏名"_s, u"ニックネーム"_s, u"会社名"_s, u"〒"_s, u"住所"_s, u"TEL"_s,
                                    u"FAX"_s, u"メールアドレス"_s, u"生年月日"_s}));
    EXPECT_NEAR(double(f.view()->columnWidth(5)) / f.view()->columnWidth(0), 7937.0 / 970.0, 0.25);
    EXPECT_NEAR(double(f.view()->columnWidth(3)) / f.view()->columnWidth(1), 4939.0 / 2117.0, 0.1);
    const auto centred = model->index(0, 4).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_TRUE(centred & Qt::AlignHCenter);
    const auto left = model->index(0, 5).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_TRUE(left & Qt::AlignLeft);
}

TEST(DataListPanel, HeaderClickKeepsRecordOrder)
{
    PanelFixture f;
    writeList(f.list, {makeGuest(u"Zed"_s), makeGuest(u"Abe"_s)});
    f.panel.show();
    f.panel.refreshForTab();
    QHeaderView* header = f.view()->horizontalHeader();
    QSignalSpy clicks(header, &QHeaderView::sectionClicked);
    const QPoint onName(header->sectionViewportPosition(1) + 5, header->height() / 2);
    ASSERT_EQ(header->logicalIndexAt(onName), 1);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onName);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(f.cell(0, 1), u"Zed"_s);
    EXPECT_EQ(f.cell(1, 1), u"Abe"_s);
    EXPECT_TRUE(f.view()->selectionModel()->selectedIndexes().isEmpty());
}

TEST(DataListPanel, UnreadableListShowsAMessageNamingIt)
{
    PanelFixture f;
    f.list = f.home.path(u"folder.lst"_s);
    QDir(f.home.root()).mkdir(u"folder.lst"_s);
    f.panel.refreshForTab();
    ASSERT_EQ(f.prompts.asked.size(), 1);
    EXPECT_TRUE(f.prompts.asked[0].text.contains(u"folder.lst"_s));
    EXPECT_EQ(f.prompts.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(f.panel.rowCount(), 0);
    EXPECT_EQ(comboItems(f.combo()), QStringList({u"ALL"_s}));
}
