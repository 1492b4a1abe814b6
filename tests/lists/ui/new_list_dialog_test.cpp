// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_test_support.h"

#include "lists/list_file.h"
#include "lists/ui/new_list_dialog.h"

#include <QDir>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// The dialog as the main window uses it: a created list becomes the editor's list.
struct NewListBench : EditorBench {
    ProgramDir programDir{home.root()};
    NewListDialog dialog{programDir, prompts, [this] { return editor->mayLeaveShownRecord(); }, editor.get()};
    QSignalSpy created{&dialog, &NewListDialog::listCreated};

    explicit NewListBench(const QList<GuestRecord>& guests) : EditorBench(guests)
    {
        QObject::connect(&dialog, &NewListDialog::listCreated, [this](const QString& path) {
            list = path;
            editor->clearForNewList();
        });
        dialog.show();
        QApplication::setActiveWindow(&dialog); // the offscreen platform leaves the editor active
    }
    QLineEdit* name() const { return dialog.findChild<QLineEdit*>(u"txtNewList"_s); }
    void ok() const { QTest::mouseClick(dialog.findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton); }
    QStringList files() const { return QDir(home.root()).entryList(QDir::Files); }
};

} // namespace

TEST(NewList, CreatesAnEmptyListAndEmptiesTheEditor)
{
    NewListBench bench({makeGuest(u"山田"_s, u"花子"_s), makeGuest(u"佐藤"_s)});
    bench.check1(2)->setChecked(true);
    bench.editor->ShowRecord(2);
    EXPECT_EQ(bench.dialog.windowTitle(), u"新規リスト名設定"_s);
    typeText(bench.name(), u"test"_s);
    bench.ok();

    const QString path = bench.home.path(u"test.lst"_s);
    ASSERT_EQ(bench.created.size(), 1);
    EXPECT_EQ(bench.created[0][0].toString(), path);
    EXPECT_EQ(readBytes(path), QByteArray(346, '\0'));
    EXPECT_FALSE(bench.dialog.isVisible());
    EXPECT_TRUE(bench.prompts.asked.isEmpty());

    EXPECT_TRUE(bench.text1(0)->text().isEmpty());
    EXPECT_TRUE(bench.text1(4)->text().isEmpty());
    EXPECT_TRUE(bench.get<QLineEdit>(u"Text25(0)"_s)->text().isEmpty());
    EXPECT_FALSE(bench.check1(2)->isChecked());
    for (int i = 3; i <= 8; ++i)
        EXPECT_EQ(bench.get<QComboBox>(u"Combo%1"_s.arg(i))->count(), 0);
    EXPECT_EQ(bench.label23(), u"0"_s);
    EXPECT_EQ(bench.label13(), u"1"_s);

    typeText(bench.text1(0), u"最初"_s);
    bench.click(u"Command5"_s);
    EXPECT_EQ(ReadGuestRecord(path, 1).value().fName, u"最初    "_s);
    EXPECT_EQ(readBytes(path).size(), 346);
}

TEST(NewList, NameOfNineCharactersIsRefusedWithTheWholeTextSelected)
{
    NewListBench bench({});
    typeText(bench.name(), u"abcdefghi"_s);
    EXPECT_EQ(bench.name()->text(), u"abcdefgh"_s);

    bench.name()->setText(u"abcdefghi"_s);
    bench.ok();
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_EQ(bench.prompts.asked[0].title, u"　入力文字数制限違反　Quolda"_s);
    EXPECT_EQ(bench.prompts.asked[0].text, u"新しいリスト名は半角英字8文字までです。"_s);
    EXPECT_EQ(bench.prompts.asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(bench.name()->selectedText(), u"abcdefghi"_s);
    EXPECT_TRUE(bench.name()->hasFocus());
    EXPECT_TRUE(bench.dialog.isVisible());
    EXPECT_EQ(bench.created.size(), 0);
    EXPECT_EQ(bench.files(), QStringList{u"guestlst.lst"_s});

    bench.retype(bench.name(), u"春のリスト２０２"_s); // eight characters of any kind
    bench.ok();
    EXPECT_EQ(bench.created.size(), 1);
    EXPECT_TRUE(QFile::exists(bench.home.path(u"春のリスト２０２.lst"_s)));
}

TEST(NewList, CancelKeepsTheTypedNameAndCreatesNothing)
{
    NewListBench bench({});
    typeText(bench.name(), u"spring"_s);
    QTest::mouseClick(bench.dialog.findChild<QPushButton*>(u"cmdCancel"_s), Qt::LeftButton);
    EXPECT_FALSE(bench.dialog.isVisible());
    EXPECT_EQ(bench.files(), QStringList{u"guestlst.lst"_s});
    bench.dialog.show();
    EXPECT_EQ(bench.name()->text(), u"spring"_s);
    EXPECT_EQ(bench.created.size(), 0);
}

TEST(NewList, ExistingListIsRefusedAndLeftByteForByte)
{
    NewListBench bench({makeGuest(u"山田"_s), makeGuest(u"佐藤"_s)});
    const QByteArray before = readBytes(bench.list);
    typeText(bench.name(), u"guestlst"_s);
    bench.ok();
    ASSERT_EQ(bench.prompts.asked.size(), 1);
    EXPECT_TRUE(bench.prompts.asked[0].text.contains(u"既存リスト読込(&R)"_s));
    EXPECT_EQ(readBytes(bench.home.path(u"guestlst.lst"_s)), before);
    EXPECT_EQ(bench.created.size(), 0);
    EXPECT_TRUE(bench.dialog.isVisible());
    EXPECT_EQ(bench.label23(), u"2"_s);
}

TEST(NewList, EmptyNameAndCharactersAFileNameCannotHoldAreRefused)
{
    NewListBench bench({});
    for (const QString& name : {QString(), u"a/b"_s, u"..\\x"_s, u"a\tb"_s, u"a?b"_s, u"a"_s + QChar(0)}) {
        bench.name()->setText(name);
        bench.ok();
    }
    EXPECT_EQ(bench.prompts.asked.size(), 6);
    EXPECT_EQ(bench.created.size(), 0);
    EXPECT_EQ(bench.files(), QStringList{u"guestlst.lst"_s});
    EXPECT_EQ(QDir(bench.home.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
}

// 「..」 would make the hidden file 「...lst」.
TEST(NewList, NameOfOnlyDotsIsRefused)
{
    NewListBench bench({});
    for (const QString& name : {u"."_s, u".."_s, u"........"_s}) {
        bench.name()->setText(name);
        bench.ok();
    }
    ASSERT_EQ(bench.prompts.asked.size(), 3);
    EXPECT_EQ(bench.prompts.asked[1].text, u"リスト名を「.」だけにすることはできません。"_s);
    EXPECT_EQ(bench.created.size(), 0);
    EXPECT_EQ(QDir(bench.home.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 3);
}

TEST(NewList, FailedCreationNamesTheFileAndKeepsTheDialogOpen)
{
    NewListBench bench({});
    ScriptedPrompts prompts;
    NewListDialog dialog(ProgramDir(bench.home.path(u"gone"_s)), prompts, [] { return true; }, nullptr);
    QSignalSpy created(&dialog, &NewListDialog::listCreated);
    dialog.show();
    dialog.findChild<QLineEdit*>(u"txtNewList"_s)->setText(u"test"_s);
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton);
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_TRUE(prompts.asked[0].text.contains(bench.home.path(u"gone/test.lst"_s)));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(created.size(), 0);
}
