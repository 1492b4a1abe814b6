#include "panel_fixture.h"

#include <QDir>
#include <QStackedWidget>
#include <QTest>

TEST(SettingsPanel, StoringWithoutAFileWritesTheEmptyLineAndAnnounces)
{
    Panels p;
    int stored = 0;
    QObject::connect(&p.settings, &SettingsPanel::settingsStored, [&] { ++stored; });
    p.settings.readSettings();

    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);

    QByteArray expected(",");
    for (int i = 0; i < 18; ++i)
        expected += i ? ",\"\"" : "\"\"";
    EXPECT_EQ(readBytes(p.dir.config()), expected + "\r\n");
    EXPECT_EQ(stored, 1);
}

TEST(SettingsPanel, ValuesSurviveStoreAndReadIncludingCommasAndQuotes)
{
    Panels p;
    p.setText(u"Text13"_s, u"ご案内、第一便"_s);
    p.setText(u"Text19"_s, u"最後の\"お便り\""_s);
    p.setText(u"Text21"_s, u"mail.example.jp:2525"_s);

    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);
    Panels fresh;
    writeBytes(fresh.dir.config(), readBytes(p.dir.config()));
    fresh.settings.readSettings();

    EXPECT_EQ(fresh.text(u"Text13"_s), u"ご案内、第一便"_s);
    EXPECT_EQ(fresh.text(u"Text19"_s), u"最後の＂お便り＂"_s);
    EXPECT_EQ(fresh.settings.smtpServer(), u"mail.example.jp:2525"_s);
    EXPECT_EQ(p.text(u"Text19"_s), u"最後の＂お便り＂"_s);
}

TEST(SettingsPanel, SendingUsesTheServerOnlyOnceStored)
{
    Panels p;
    p.setText(u"Text21"_s, u"old.example.jp"_s);
    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);

    p.setText(u"Text21"_s, u"new.example.jp"_s);
    EXPECT_EQ(p.settings.smtpServer(), u"old.example.jp"_s);
    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);
    EXPECT_EQ(p.settings.smtpServer(), u"new.example.jp"_s);
}

TEST(SettingsPanel, FailedWriteKeepsTheTypedBoxesAndNamesTheFile)
{
    Panels p;
    // A folder where the file should be: no write can replace it.
    QDir(p.home.root()).mkdir(u"config.ini"_s);
    p.setText(u"Text4"_s, u"b.txt"_s);
    p.setText(u"Text21"_s, u"smtp.example.jp"_s);

    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);

    EXPECT_EQ(p.text(u"Text4"_s), u"b.txt"_s);
    EXPECT_EQ(p.text(u"Text21"_s), u"smtp.example.jp"_s);
    EXPECT_EQ(p.settings.smtpServer(), u"smtp.example.jp"_s);
    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_TRUE(p.prompts.asked[0].text.contains(u"config.ini"_s));
}

TEST(SettingsPanel, StepPickerPutsTheFullPathInItsBoxAndCancelKeepsIt)
{
    Panels p;
    const QString chosen = QDir(p.dir.textDir()).filePath(u"first.txt"_s);
    p.prompts.files = {chosen};

    QTest::mouseClick(p.find<QPushButton>(u"Command8"_s), Qt::LeftButton);
    EXPECT_EQ(p.text(u"Text5"_s), chosen);
    EXPECT_EQ(p.prompts.dialogDirs, QStringList({p.dir.textDir() + u'/'}));

    QTest::mouseClick(p.find<QPushButton>(u"Command8"_s), Qt::LeftButton);
    EXPECT_EQ(p.text(u"Text5"_s), chosen);
}

TEST(SettingsPanel, ScreenSwitchesShowAndHideTheSubjects)
{
    Panels p;
    p.settings.show();
    auto* subjects = p.find<QWidget>(u"Frame7"_s);
    EXPECT_FALSE(subjects->isVisible());

    QTest::mouseClick(p.find<QPushButton>(u"Command15"_s), Qt::LeftButton);
    EXPECT_TRUE(subjects->isVisible());
    QTest::mouseClick(p.find<QPushButton>(u"Command16"_s), Qt::LeftButton);
    EXPECT_FALSE(subjects->isVisible());

    QTest::mouseClick(p.find<QPushButton>(u"Command15"_s), Qt::LeftButton);
    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);
    EXPECT_FALSE(subjects->isVisible());
}
