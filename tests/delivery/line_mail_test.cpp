// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/line_mail.h"

#include "delivery/mail_text.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QDate kDay(2005, 2, 9);
const QDateTime kNine(kDay, QTime(9, 0));

// A program folder with step 3's text, its sender's notice, and 山田花子 due for step 3.
class LineMail : public ::testing::Test {
protected:
    LineMail()
    {
        QDir(home.root()).mkpath(u"text"_s);
        EXPECT_TRUE(writeMailText(home.path(u"text/3.txt"_s), u"★★★\n３回目のご案内です。"_s));
        settings.smtpServer = u"smtp.example.jp"_s;
        settings.sender = u"shop@example.jp"_s;
        settings.subjects[3] = u"３回目のご案内"_s;
        settings.textFiles[3] = u"text/3.txt"_s; // relative: the program folder's, wherever the run starts
        GuestRecord guest = makeGuest(u"山田"_s, u"花子"_s);
        guest.address = u" Hanako@Example.jp "_s;
        guest.keisyou = u"様"_s;
        guest.third = u"2005/02/09"_s;
        guest.mail3 = 1;
        writeList(dir.defaultList(), {guest});
        EXPECT_TRUE(writeSenderNotice(home.root(), {u"山田商店"_s, u"東京都千代田区1-1"_s, u"03-1234-5678"_s,
                                                    u"stop@example.jp"_s, QString()}));
    }

    SendJob job() const
    {
        auto made = jobInFolder(dir, dir.defaultList(), settings, SmtpSettings{}, MailKind::Step, {});
        EXPECT_TRUE(made) << made.error().message.toStdString();
        return made.value_or(SendJob{});
    }

    TestHome home;
    ProgramDir dir{home.root()};
    CampaignSettings settings;
    const DueEntry hanako{1, 3, u"山田花子"_s, kDay};
};

} // namespace

// What a guest gets: the step's text greeting them, the sender's notice, and an
// opt-out whose token names this list, record and address.
TEST_F(LineMail, AStepLineGetsItsTextTheNoticeAndAnOptOutNamingTheGuest)
{
    const auto mail = mailForLine(job(), hanako, kNine);

    ASSERT_TRUE(mail) << mail.error().message.toStdString();
    EXPECT_EQ(mail->to, u"Hanako@Example.jp"_s);
    EXPECT_EQ(mail->subject, u"３回目のご案内"_s);
    EXPECT_TRUE(mail->body.startsWith(u"山田様\n３回目のご案内です。"_s)) << mail->body.toStdString();
    EXPECT_TRUE(mail->body.contains(u"送信者: 山田商店\n住所: 東京都千代田区1-1\n"_s)) << mail->body.toStdString();
    const QString token = optOutToken(*optOutKey(home.root()), u"guestlst.lst"_s, 1, u"hanako@example.jp"_s);
    EXPECT_EQ(mail->headers, QStringList{u"List-Unsubscribe: <mailto:stop@example.jp?subject=unsubscribe%20"_s + token + u'>'});
}

TEST_F(LineMail, ATestOfTheLineGoesToTheSenderMarkedWithTheGuestsOwnText)
{
    SendJob test = job();
    test.testSend = true;

    const auto mail = mailForLine(test, hanako, kNine);

    ASSERT_TRUE(mail) << mail.error().message.toStdString();
    EXPECT_EQ(mail->to, u"shop@example.jp"_s);
    EXPECT_EQ(mail->subject, u"[テスト]３回目のご案内"_s);
    EXPECT_TRUE(mail->body.startsWith(u"山田様\n"_s));
}

// The list changed since the line was listed: nothing is made for the wrong guest.
TEST_F(LineMail, ALineWhoseStepIsNoLongerDueOrWhoseTextIsGoneMakesNoMail)
{
    const auto otherDay = mailForLine(job(), {1, 3, u"山田花子"_s, kDay.addDays(1)}, kNine);
    ASSERT_FALSE(otherDay);
    EXPECT_EQ(otherDay.error().message, u"この日に送信するメールが見つかりません"_s);

    settings.textFiles[3].clear();
    const auto noText = mailForLine(job(), hanako, kNine);
    ASSERT_FALSE(noText);
    EXPECT_EQ(noText.error().message, u"送信Textが設定されていません"_s);
}

TEST_F(LineMail, AnUnreadableSenderNoticeStopsTheJobBeforeAnyMail)
{
    QFile::remove(home.path(u"sender.ini"_s));
    QDir(home.root()).mkdir(u"sender.ini"_s);

    EXPECT_FALSE(jobInFolder(dir, dir.defaultList(), settings, SmtpSettings{}, MailKind::Step, {hanako}));
}
