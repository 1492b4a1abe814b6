// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/smtp_settings.h"

#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path)
{
    struct stat info{};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

} // namespace

TEST(SmtpSettingsFile, WrittenOwnerOnlyAndReadBack)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(u"config.ini"_s);
    writeBytes(config, "\"x\",\"a.txt\"\r\n");
    SmtpSettings s;
    s.port = 587;
    s.security = SmtpSecurity::StartTls;
    s.user = u"shop@example.jp"_s;
    s.password = u"p@ss word"_s;
    s.fromName = u"山田商店"_s;
    s.pauseSeconds = 2.5;
    s.caFile = u"/etc/ssl/in-house.pem"_s;
    ASSERT_TRUE(writeSmtpSettings(dir.path(), s));

    const QString path = dir.filePath(u"smtp.ini"_s);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(readBytes(path), QByteArray("[smtp]\r\nport=587\r\nsecurity=starttls\r\nuser=shop@example.jp\r\n"
                                          "password=p@ss word\r\nfrom_name=\x8e\x52\x93\x63\x8f\xa4\x93\x58\r\n"
                                          "pause_seconds=2.5\r\nca_file=/etc/ssl/in-house.pem\r\ncatch_up_days=7\r\nretry_days=3\r\nmax_per_connection=100\r\nnotify_sent=0\r\n"));
    EXPECT_EQ(readBytes(config), QByteArray("\"x\",\"a.txt\"\r\n"));

    const auto back = readSmtpSettings(dir.path());
    ASSERT_TRUE(back) << back.error().message.toStdString();
    EXPECT_EQ(back->port, 587);
    EXPECT_EQ(back->security, SmtpSecurity::StartTls);
    EXPECT_EQ(back->password, u"p@ss word"_s);
    EXPECT_EQ(back->fromName, u"山田商店"_s);
    EXPECT_EQ(back->pause(), std::chrono::milliseconds(2500));
}

// ﾕｷ in code page 932 is D5 B7, which is also valid UTF-8 (「շ」): only a byte-order mark says UTF-8.
TEST(SmtpSettingsFile, ReadsBackAsWrittenEvenWhenTheBytesLookLikeUtf8)
{
    QTemporaryDir dir;
    SmtpSettings s;
    s.fromName = u"ﾕｷ"_s;
    ASSERT_TRUE(writeSmtpSettings(dir.path(), s));
    ASSERT_TRUE(readBytes(dir.filePath(u"smtp.ini"_s)).contains("\r\nfrom_name=\xD5\xB7\r\n"));
    EXPECT_EQ(readSmtpFile(dir.path()).value().fromName, u"ﾕｷ"_s);

    writeBytes(dir.filePath(u"smtp.ini"_s), "\xEF\xBB\xBF[smtp]\nfrom_name=" + u"山田商店"_s.toUtf8() + "\n");
    EXPECT_EQ(readSmtpFile(dir.path()).value().fromName, u"山田商店"_s);
}

TEST(SmtpSettingsFile, PasswordOthersCanReadIsRefusedWithTheFix)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"smtp.ini"_s);
    writeBytes(path, "[smtp]\nsecurity=tls\nuser=shop\npassword=secret\n");
    ::chmod(QFile::encodeName(path).constData(), 0644);
    const auto read = readSmtpSettings(dir.path());
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.error().message.contains(u"chmod 600"_s)) << read.error().message.toStdString();
    EXPECT_FALSE(read.error().message.contains(u"secret"_s));

    writeBytes(path, "[smtp]\nsecurity=tls\nuser=shop\n");
    ::chmod(QFile::encodeName(path).constData(), 0644);
    const auto withoutPassword = readSmtpSettings(dir.path());
    ASSERT_TRUE(withoutPassword);
    EXPECT_EQ(withoutPassword->pause(), std::chrono::milliseconds(6912));
}
