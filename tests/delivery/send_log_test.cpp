// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp932.h"
#include "delivery/send_log.h"

#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QDate kDay(2005, 2, 9);

QStringList logFiles(const QString& dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }

} // namespace

TEST(SendLog, NameCarriesNumberDateWithoutZerosAndIdeographicSpace)
{
    EXPECT_EQ(sendLogName(12, kDay, u"山田花子"_s), u"[12]-2005_2_9\u3000[山田花子].log"_s);
    EXPECT_EQ(sendLogName(1, QDate(2026, 11, 30), u"A"_s), u"[1]-2026_11_30\u3000[A].log"_s);
}

TEST(SendLog, MailWithCharactersShiftJisLacksIsLoggedWholeInUtf8WithAByteOrderMark)
{
    TestHome home;
    const auto cp932 = writeSendLog(home.path(u"log"_s), QDate(2026, 1, 5), u"山田"_s, u"山田様\nCafe"_s);
    EXPECT_EQ(readBytes(cp932.value()), QByteArray("\x8E\x52\x93\x63\x97\x6C\r\nCafe"));
    const auto utf8 = writeSendLog(home.path(u"log"_s), QDate(2026, 1, 5), u"山田"_s, u"山田様\nCafé 😀"_s);
    EXPECT_EQ(readBytes(utf8.value()),
              QByteArray("\xEF\xBB\xBF\xE5\xB1\xB1\xE7\x94\xB0\xE6\xA7\x98\r\nCaf\xC3\xA9 \xF0\x9F\x98\x80"));
}

TEST(SendLog, NinthFileAfterEightOthers)
{
    TestHome home;
    const QString logDir = home.path(u"log"_s);
    for (int i = 0; i < 8; ++i)
        writeBytes(logDir + u"/old%1.log"_s.arg(i), "x");
    QDir(logDir).mkdir(u"sub"_s);  // folders are not counted

    const auto path = writeSendLog(logDir, kDay, u"山田花子"_s, u"本文\n二行目"_s);
    ASSERT_TRUE(path) << path.error().message.toStdString();
    EXPECT_EQ(*path, logDir + u"/[9]-2005_2_9\u3000[山田花子].log"_s);
    EXPECT_EQ(readBytes(*path), toCp932(u"本文\r\n二行目"_s));
}

TEST(SendLog, NeverReplacesAnEarlierLog)
{
    TestHome home;
    const QString logDir = home.path(u"log"_s);
    ASSERT_TRUE(writeSendLog(logDir, kDay, u"甲"_s, u"one"_s));
    ASSERT_TRUE(writeSendLog(logDir, kDay, u"甲"_s, u"two"_s));
    // Deleting the first leaves one file, so the count points at the second's number.
    QFile::remove(logDir + u"/[1]-2005_2_9\u3000[甲].log"_s);
    const auto third = writeSendLog(logDir, kDay, u"甲"_s, u"three"_s);
    ASSERT_TRUE(third);
    EXPECT_EQ(readBytes(logDir + u"/[2]-2005_2_9\u3000[甲].log"_s), QByteArray("two"));
    EXPECT_EQ(readBytes(*third), QByteArray("three"));
    EXPECT_EQ(logFiles(logDir).size(), 2);
}

TEST(SendLog, NameFromTheListCannotLeaveTheLogFolder)
{
    TestHome home;
    const QString logDir = home.path(u"log"_s);
    const auto path = writeSendLog(logDir, kDay, u"../../evil\n/x"_s, u"body"_s);
    ASSERT_TRUE(path);
    EXPECT_EQ(QFileInfo(*path).absolutePath(), QFileInfo(logDir).absoluteFilePath());
    EXPECT_EQ(logFiles(logDir), QStringList{u"[1]-2005_2_9\u3000[.._.._evil__x].log"_s});
}

TEST(SendLog, MissingFolderIsAnErrorNamingTheFile)
{
    TestHome home;
    const QString gone = home.path(u"nolog"_s);
    const auto path = writeSendLog(gone, kDay, u"山田花子"_s, u"body"_s);
    ASSERT_FALSE(path);
    EXPECT_TRUE(path.error().message.contains(gone));
    EXPECT_TRUE(path.error().message.contains(u"[1]-2005_2_9"_s));
}

TEST(SendLog, ExistingNameIsSkippedNotOverwritten)
{
    TestHome home;
    const QString logDir = home.path(u"log"_s);
    // One file present, and it already bears the name the count gives next.
    writeBytes(logDir + u"/[2]-2005_2_9\u3000[甲].log"_s, "keep2");

    const auto path = writeSendLog(logDir, kDay, u"甲"_s, u"new"_s);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, logDir + u"/[3]-2005_2_9\u3000[甲].log"_s);
    EXPECT_EQ(readBytes(logDir + u"/[2]-2005_2_9\u3000[甲].log"_s), QByteArray("keep2"));
    EXPECT_EQ(readBytes(*path), QByteArray("new"));
}

TEST(SendLog, NoLimitOnTheNumberOfLogs)
{
    // A memory file system where there is one: the count matters here, not the disk.
    const QString base = QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm"_s : QDir::tempPath();
    QTemporaryDir home(base + u"/ladderpost-logs-XXXXXX"_s);
    const QString logDir = home.filePath(u"log"_s);
    QDir().mkpath(logDir);
    for (int i = 0; i < 32767; ++i)
        writeBytes(logDir + u"/%1.log"_s.arg(i), QByteArray());
    const auto path = writeSendLog(logDir, kDay, u"甲"_s, u"body"_s);
    ASSERT_TRUE(path) << path.error().message.toStdString();
    EXPECT_TRUE(path->endsWith(u"[32768]-2005_2_9\u3000[甲].log"_s));
    EXPECT_EQ(logFiles(logDir).size(), 32768);
}
