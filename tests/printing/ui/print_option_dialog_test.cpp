// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/print_ini.h"
#include "printing/ui/print_option_dialog.h"
#include "test_support.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char* const kBoxes[] = {"txtLeft", "txtTop", "txtWidth", "txtHeight",
                              "txtxMergin", "txtyMergin", "txtxNum", "txtyNum"};

QStringList shown(const PrintOption& dialog)
{
    QStringList texts;
    for (const char* name : kBoxes)
        texts.append(dialog.findChild<QLineEdit*>(QString::fromLatin1(name))->text());
    texts.append(dialog.findChild<QComboBox*>(u"cmbFontSize"_s)->currentText());
    return texts;
}

void type(PrintOption& dialog, const char* name, const QString& text)
{
    auto* box = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    box->clear();
    QTest::keyClicks(box, text);
}

void click(PrintOption& dialog, const QString& button)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

struct OptionDialog : ::testing::Test {
    TestHome home;
    QString ini = home.path(u"Print.ini"_s);
    ScriptedPrompts prompts;
};

TEST_F(OptionDialog, FirstOpeningWarnsOnceAndShowsDefaults)
{
    PrintOption dialog(ini, prompts);
    EXPECT_EQ(dialog.windowTitle(), u"オプション設定"_s);
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].title, u"エラー"_s);
    EXPECT_EQ(prompts.asked[0].text, u"設定ファイルが存在しないのでデフォルト値が使われます。"_s);
    EXPECT_EQ(shown(dialog), (QStringList{u"10"_s, u"15"_s, u"80"_s, u"35"_s, u"20"_s, u"10"_s, u"2"_s,
                                          u"6"_s, u"10"_s}));
    EXPECT_FALSE(QFile::exists(ini));
    EXPECT_NE(dialog.findChild<QWidget*>(u"Picture1"_s), nullptr);
    EXPECT_EQ(dialog.findChild<QComboBox*>(u"cmbFontSize"_s)->count(), 4);
}

TEST_F(OptionDialog, OkStoresLeadingNumbersAndReopeningShowsThem)
{
    {
        PrintOption dialog(ini, prompts);
        type(dialog, "txtLeft", u"12.5mm"_s);
        type(dialog, "txtWidth", u"abc"_s);
        type(dialog, "txtxNum", u"2.5"_s);
        type(dialog, "txtyNum", u"3.5"_s);
        dialog.findChild<QComboBox*>(u"cmbFontSize"_s)->setEditText(u"11"_s);
        click(dialog, u"cmdOption(0)"_s);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(readBytes(ini), QByteArray("12.5\r\n15\r\n0\r\n35\r\n20\r\n10\r\n2\r\n4\r\n11\r\n"));
    prompts.asked.clear();
    PrintOption reopened(ini, prompts);
    EXPECT_TRUE(prompts.asked.isEmpty());
    EXPECT_EQ(shown(reopened), (QStringList{u"12.5"_s, u"15"_s, u"0"_s, u"35"_s, u"20"_s, u"10"_s, u"2"_s,
                                            u"4"_s, u"11"_s}));
}

TEST_F(OptionDialog, CancelWritesNothing)
{
    PrintOption dialog(ini, prompts);
    type(dialog, "txtTop", u"99"_s);
    click(dialog, u"cmdOption(1)"_s);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(OptionDialog, FailedWriteWarnsAndStillCloses)
{
    QDir().mkpath(ini); // a folder where the file should be
    PrintOption dialog(ini, prompts);
    prompts.asked.clear();
    click(dialog, u"cmdOption(0)"_s);
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].title, u"エラー"_s);
    EXPECT_EQ(prompts.asked[0].text,
              u"設定ファイルの書き込みエラーです。\n"_s + ini + u" に書き込めません。\n同じ名前のフォルダがあります。"_s);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
