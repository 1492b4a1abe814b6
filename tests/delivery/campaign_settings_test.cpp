// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp932.h"
#include "delivery/campaign_settings.h"

#include "test_support.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

CampaignSettings sample()
{
    CampaignSettings s;
    for (int i = 0; i < 8; ++i) {
        s.textFiles[i] = u"/home/text/step%1.txt"_s.arg(i);
        s.subjects[i] = u"件名%1"_s.arg(i);
    }
    s.smtpServer = u"mail.example.jp"_s;
    s.sender = u"shop@example.jp"_s;
    return s;
}

} // namespace

TEST(SettingsFile, MissingFileThenWriteGivesCommaAndEighteenEmptyQuotes)
{
    TestHome home;
    const CampaignSettings none = readCampaignSettings(home.path(u"config.ini"_s));
    EXPECT_TRUE(none.leading.isEmpty());
    EXPECT_TRUE(none.smtpServer.isEmpty());
    EXPECT_TRUE(none.subjects[7].isEmpty());

    ASSERT_TRUE(writeCampaignSettings(home.path(u"config.ini"_s), none));
    EXPECT_EQ(readBytes(home.path(u"config.ini"_s)),
              QByteArray(",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                         "\"\",\"\",\"\",\"\"\r\n"));
}

TEST(SettingsFile, EveryFieldSurvivesWriteAndReadInItsPlace)
{
    TestHome home;
    CampaignSettings s = sample();
    s.subjects[3] = u"ご案内, 第3回"_s;  // a comma inside the quotes
    s.leading = u"v2"_s;
    ASSERT_TRUE(writeCampaignSettings(home.path(u"config.ini"_s), s));

    const QByteArray bytes = readBytes(home.path(u"config.ini"_s));
    EXPECT_TRUE(bytes.startsWith("v2,\"/home/text/step0.txt\","));
    EXPECT_TRUE(bytes.endsWith("\"mail.example.jp\",\"shop@example.jp\"\r\n"));
    EXPECT_TRUE(bytes.contains(toCp932(u"\"ご案内, 第3回\""_s)));  // stored in code page 932

    const CampaignSettings back = readCampaignSettings(home.path(u"config.ini"_s));
    EXPECT_EQ(back.leading, u"v2"_s);
    EXPECT_EQ(back.textFiles, s.textFiles);
    EXPECT_EQ(back.subjects, s.subjects);
    EXPECT_EQ(back.smtpServer, s.smtpServer);
    EXPECT_EQ(back.sender, s.sender);
}

TEST(SettingsFile, LeadingFieldIsWrittenBackAsRead)
{
    const CampaignSettings bare = parseCampaignSettings("  abc  ,\"t\"\r\n");
    EXPECT_EQ(bare.leading, u"abc"_s);
    EXPECT_TRUE(formatCampaignSettings(bare).startsWith("abc,\"t\","));

    CampaignSettings withComma;
    withComma.leading = u"a,b"_s;
    EXPECT_EQ(parseCampaignSettings(formatCampaignSettings(withComma)).leading, u"a,b"_s);
    EXPECT_EQ(parseCampaignSettings(formatCampaignSettings(withComma)).textFiles[0], QString());

    const CampaignSettings inner = parseCampaignSettings("a\"b,\"t\"");
    EXPECT_TRUE(formatCampaignSettings(inner).startsWith("a\"b,\"t\","));
}

TEST(SettingsFile, UnquotedAndTruncatedLinesReadWhatIsThere)
{
    const CampaignSettings s = parseCampaignSettings(
        toCp932(u"x, a.txt ,\"b.txt\",  c.txt\r\nsecond line,ignored"_s));
    EXPECT_EQ(s.leading, u"x"_s);
    EXPECT_EQ(s.textFiles[0], u"a.txt"_s);
    EXPECT_EQ(s.textFiles[1], u"b.txt"_s);
    EXPECT_EQ(s.textFiles[2], u"c.txt"_s);
    EXPECT_TRUE(s.textFiles[3].isEmpty());
    EXPECT_TRUE(s.subjects[0].isEmpty());
    EXPECT_TRUE(s.sender.isEmpty());

    // A quote that never closes takes the rest of the line.
    const CampaignSettings open = parseCampaignSettings(",\"half");
    EXPECT_EQ(open.textFiles[0], u"half"_s);
    EXPECT_TRUE(open.textFiles[1].isEmpty());

    const CampaignSettings empty = parseCampaignSettings(QByteArray());
    EXPECT_TRUE(empty.leading.isEmpty());
    EXPECT_TRUE(empty.sender.isEmpty());
}

TEST(SettingsFile, ExtraFieldsAreIgnoredAndLastFieldsLandRight)
{
    QByteArray line = ",";
    for (int i = 2; i <= 19; ++i)
        line += "\"f" + QByteArray::number(i) + "\",";
    line += "\"extra\"\r\n";
    const CampaignSettings s = parseCampaignSettings(line);
    EXPECT_EQ(s.textFiles[0], u"f2"_s);
    EXPECT_EQ(s.textFiles[7], u"f9"_s);
    EXPECT_EQ(s.subjects[0], u"f10"_s);
    EXPECT_EQ(s.subjects[7], u"f17"_s);
    EXPECT_EQ(s.smtpServer, u"f18"_s);
    EXPECT_EQ(s.sender, u"f19"_s);
}

TEST(SettingsFile, QuotesAndLineBreaksCannotBreakTheLine)
{
    EXPECT_EQ(storableSettingValue(u"say \"hi\""_s), u"say ＂hi＂"_s);
    EXPECT_EQ(storableSettingValue(u"a\r\nb"_s), u"a  b"_s);

    CampaignSettings s = sample();
    s.subjects[1] = u"\"特別\"のご案内"_s;
    s.subjects[2] = u"line1\nline2"_s;
    const QByteArray bytes = formatCampaignSettings(s);
    EXPECT_EQ(bytes.count('\n'), 1);
    const CampaignSettings back = parseCampaignSettings(bytes);
    EXPECT_EQ(back.subjects[1], u"＂特別＂のご案内"_s);
    EXPECT_EQ(back.subjects[2], u"line1 line2"_s);
    EXPECT_EQ(back.subjects[3], s.subjects[3]);
    EXPECT_EQ(back.sender, s.sender);
}

TEST(SettingsFile, FailedWriteReportsTheFileAndLeavesWhatWasThere)
{
    TestHome home;
    const QString blocked = home.path(u"config.ini"_s);
    QDir(home.root()).mkdir(u"config.ini"_s);  // a folder where the file should go
    writeBytes(blocked + u"/keep.txt"_s, "keep");

    const auto written = writeCampaignSettings(blocked, sample());
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, ErrorKind::Io);
    EXPECT_TRUE(written.error().message.contains(blocked));
    EXPECT_EQ(readBytes(blocked + u"/keep.txt"_s), QByteArray("keep"));

    // Unreadable settings fall back to empty ones.
    EXPECT_TRUE(readCampaignSettings(blocked).smtpServer.isEmpty());
}
