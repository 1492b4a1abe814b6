// SPDX-License-Identifier: GPL-3.0-or-later
#include "operator.h"
#include "panel_fixture.h"
#include "smtp_sink.h"

#include "delivery/guest_lookup.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QJsonObject>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSemaphore>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <utility>

namespace {

// The real transport, but first it asks the window's thread to handle a posted
// event and notes whether that happened while the transport waited.
class WatchedTransport : public MailTransport {
public:
    explicit WatchedTransport(MailTransport& real) : real_(real) {}
    Result<void> send(const OutgoingMail& mail) override
    {
        if (beforeSend)
            beforeSend(mail);
        QSemaphore handled;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&handled] { handled.release(); },
                                  Qt::QueuedConnection);
        if (!handled.tryAcquire(1, 5000))
            windowFroze = true;
        return real_.send(mail);
    }
    Result<QString> testConnection(const QString& server, const SmtpSettings& connection) override
    {
        return real_.testConnection(server, connection);
    }
    std::function<void(const OutgoingMail&)> beforeSend;
    std::atomic<bool> windowFroze = false;

private:
    MailTransport& real_;
};

} // namespace

TEST(EndToEnd, RefusalsAreSkippedAServerGoneStopsTheRunAndTheRestGoOutWhenItIsBack)
{
    auto sink = std::make_unique<SmtpSink>();
    ASSERT_GT(sink->port(), 0);
    const int port = sink->port();
    CurlMailTransport curl;
    WatchedTransport watched(curl);
    bool killed = false; // only the worker touches it
    watched.beforeSend = [&](const OutgoingMail& mail) {
        if (mail.to.startsWith(u"saburo"_s) && !std::exchange(killed, true))
            sink->kill();
    };
    Panels p(nullptr, &watched);
    p.setText(u"Text7"_s, p.writeText(u"third.txt"_s, u"★★★\n３回目のご案内です。"_s));
    p.setText(u"Text15"_s, u"３回目のご案内"_s);
    p.setText(u"Text21"_s, sink->server());
    p.setText(u"Text22"_s, u"shop@example.jp"_s);
    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);
    QList<GuestRecord> guests;
    for (const auto& [family, address] : {std::pair{u"山田"_s, u"hanako@example.jp"_s},
                                          std::pair{u"川口"_s, u"refused@example.jp"_s},
                                          std::pair{u"佐藤"_s, u"badcontent@example.jp"_s},
                                          std::pair{u"田中"_s, u"saburo@example.jp"_s},
                                          std::pair{u"鈴木"_s, u"jiro@example.jp"_s}}) {
        GuestRecord guest = deliveringGuest(family, u"様子"_s, address);
        guest.third = u"2005/02/09"_s;
        guest.mail3 = 1;
        guests << guest;
    }
    writeList(p.listPath, guests);
    p.send.setStartupDay(p.clock.today());
    p.send.setSendList(*scanDueGuests(p.listPath, p.clock.today()));

    p.send.startupPrompt();
    p.waitForRun();

    const QList<QJsonObject> first = sink->received();
    ASSERT_EQ(first.size(), 1);
    EXPECT_TRUE(first[0][u"body"_s].toString().startsWith(u"山田様\r\n３回目のご案内です。\r\n2005/02/09 9:00:00"_s))
        << first[0][u"body"_s].toString().toStdString();
    EXPECT_FALSE(watched.windowFroze);
    ASSERT_EQ(p.prompts.asked.size(), 2);
    EXPECT_EQ(p.prompts.asked[1].title, u"　通信エラー　Quolda"_s);
    const QString report = p.report();
    EXPECT_TRUE(report.contains(u"川口様子\trefused@example.jp\t３回目\t拒否"_s)) << report.toStdString();
    EXPECT_TRUE(report.contains(u"550"_s));
    EXPECT_TRUE(report.contains(u"佐藤様子\tbadcontent@example.jp\t３回目\t拒否"_s));
    EXPECT_TRUE(report.contains(u"554"_s));
    EXPECT_TRUE(report.contains(u"送信を中断しました"_s));
    EXPECT_TRUE(report.contains(u"田中様子\tsaburo@example.jp\t３回目\t再送予定"_s));
    EXPECT_TRUE(report.contains(u"鈴木様子\tjiro@example.jp\t３回目\t未送信"_s)) << report.toStdString();
    EXPECT_EQ(p.sendList(), QStringList({u"田中様子"_s, u"鈴木様子"_s}));

    SmtpSink back(port);
    ASSERT_EQ(back.port(), port);
    QTest::mouseClick(p.find<QPushButton>(u"CommandResend"_s), Qt::LeftButton);
    p.waitForRun();

    const QList<QJsonObject> rest = back.received();
    ASSERT_EQ(rest.size(), 2);
    EXPECT_EQ(rest[0][u"to"_s].toString(), u"saburo@example.jp"_s);
    EXPECT_EQ(rest[1][u"to"_s].toString(), u"jiro@example.jp"_s);
    EXPECT_TRUE(p.sendList().isEmpty());
    EXPECT_EQ(p.logNames().size(), 3);
    EXPECT_FALSE(watched.windowFroze);
}

namespace {

// The settings tab as an operator fills it for the third step, stored.
void typeThirdStepSettings(Panels& p, const QString& server)
{
    p.settings.show();
    p.setText(u"Text7"_s, p.writeText(u"third.txt"_s, u"★★★\n３回目のご案内です。"_s));
    p.setText(u"Text15"_s, u"３回目のご案内"_s);
    p.setText(u"Text21"_s, server);
    p.setText(u"Text22"_s, u"shop@example.jp"_s);
    op::click(p.find<QPushButton>(u"Command4"_s));
}

// Hanako's third step is due today: the send list shows her, and テスト送信 goes for her line.
void testSendHanakosMail(Panels& p)
{
    GuestRecord guest = deliveringGuest(u"山田"_s, u"花子"_s, u"hanako@example.jp"_s);
    guest.third = u"2005/02/09"_s;
    guest.mail3 = 1;
    writeList(p.listPath, {guest});
    p.send.show();
    p.send.setStartupDay(p.clock.today());
    p.send.setSendList(*scanDueGuests(p.listPath, p.clock.today()));
    p.pickLine(0);
    op::click(p.find<QPushButton>(u"CommandTestSend"_s));
    p.waitForRun();
}

} // namespace

// A provider's submission port, set up in SMTP詳細設定 as an operator would: the
// connection test logs in, a test send reaches the sender and the day's mail its
// guest, all over STARTTLS after a login.
TEST(EndToEnd, ThroughStartTlsWithLoginTheConnectionTestTestSendAndTheDaysMailGo)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // no secret store: smtp.ini keeps the password
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin());
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport curl(std::chrono::seconds(5), std::chrono::seconds(10));
    Panels p(nullptr, &curl);
    typeThirdStepSettings(p, sink.server());

    QWidget* dialog = p.openSmtpDetails();
    ASSERT_EQ(dialog->windowTitle(), u"SMTP詳細設定"_s);
    typeStartTlsLogin(dialog, u"shop"_s, u"secret"_s);
    op::click(dialog->findChild<QLineEdit*>(u"smtpCaFile"_s));
    op::type(certificate.cert());
    op::click(dialog->findChild<QPushButton*>(u"smtpTestButton"_s));
    auto* answers = dialog->findChild<QPlainTextEdit*>(u"smtpTestAnswers"_s);
    ASSERT_TRUE(waitUntil([answers] { return !answers->toPlainText().contains(u"接続しています"_s); }, 20000));
    EXPECT_TRUE(answers->toPlainText().startsWith(u"接続できました。"_s)) << answers->toPlainText().toStdString();
    EXPECT_TRUE(answers->toPlainText().contains(u"235"_s)) << answers->toPlainText().toStdString();
    ASSERT_TRUE(saveSmtpDetails(dialog));
    EXPECT_TRUE(p.prompts.asked.isEmpty());

    testSendHanakosMail(p);
    ASSERT_EQ(sink.received().size(), 1) << p.report().toStdString();
    EXPECT_EQ(sink.received()[0][u"to"_s].toString(), u"shop@example.jp"_s);
    EXPECT_EQ(sink.received()[0][u"subject"_s].toString(), u"[テスト]３回目のご案内"_s);

    p.send.startupPrompt();
    p.waitForRun();
    const QList<QJsonObject> mails = sink.received();
    ASSERT_EQ(mails.size(), 2) << p.report().toStdString();
    EXPECT_EQ(mails[1][u"to"_s].toString(), u"hanako@example.jp"_s);
    EXPECT_TRUE(mails[1][u"body"_s].toString().startsWith(u"山田様\r\n３回目のご案内です。"_s));
    EXPECT_EQ(p.logNames().size(), 1);
}

// A Microsoft 365 or Google mailbox, signed in from SMTP詳細設定: the browser
// approves, 保存 keeps the sign-in, and テスト送信 goes over XOAUTH2.
TEST(EndToEnd, SignedInFromTheDialogTheTestSendGoesOverXoauth2)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // no secret store: smtp.ini keeps the refresh token
    OAuthServer provider;
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink({u"--starttls"_s, certificate.cert(), certificate.key(), u"--xoauth2"_s, provider.folder()});
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport curl(std::chrono::seconds(5), std::chrono::seconds(10));
    Panels p(nullptr, &curl);
    p.settings.setBrowser([](const QUrl& url) { // a person approving in the browser
        QProcess::startDetached(QStringLiteral(LADDERPOST_SYSTEM_PYTHON),
                                {u"-c"_s, u"import sys, urllib.request; urllib.request.urlopen(sys.argv[1]).read()"_s,
                                 url.toString(QUrl::FullyEncoded)});
    });
    typeThirdStepSettings(p, sink.server());

    QWidget* dialog = p.openSmtpDetails();
    dialog->findChild<QComboBox*>(u"smtpAuth"_s)->setFocus();
    op::press(Qt::Key_Down); // OAuth 2.0
    dialog->findChild<QComboBox*>(u"oauthProvider"_s)->setFocus();
    op::press(Qt::Key_End); // その他
    dialog->findChild<QComboBox*>(u"smtpSecurity"_s)->setFocus();
    op::press(Qt::Key_Down); // STARTTLS
    for (const auto& [box, text] : {std::pair{u"smtpUser"_s, u"shop@example.jp"_s},
                                    std::pair{u"smtpCaFile"_s, certificate.cert()},
                                    std::pair{u"smtpPause"_s, u"0"_s},
                                    std::pair{u"oauthClientId"_s, u"ladderpost-test"_s},
                                    std::pair{u"oauthAuthorizeUrl"_s, provider.url(u"authorize"_s)},
                                    std::pair{u"oauthTokenUrl"_s, provider.url(u"token"_s)},
                                    std::pair{u"oauthScope"_s, u"smtp offline_access"_s}}) {
        auto* edit = dialog->findChild<QLineEdit*>(box);
        op::click(edit);
        edit->selectAll();
        op::type(text);
    }
    op::click(dialog->findChild<QPushButton*>(u"oauthSignIn"_s));
    auto* state = dialog->findChild<QLabel*>(u"oauthState"_s);
    ASSERT_TRUE(waitUntil([state] { return state->text() == u"サインインしました。"_s; }, 20000)) << state->text().toStdString();
    ASSERT_TRUE(saveSmtpDetails(dialog));
    EXPECT_TRUE(readBytes(p.home.path(u"smtp.ini"_s)).contains("\r\noauth_refresh_token=r-"));

    testSendHanakosMail(p);
    ASSERT_EQ(sink.received().size(), 1) << p.report().toStdString();
    EXPECT_EQ(sink.received()[0][u"to"_s].toString(), u"shop@example.jp"_s);
    EXPECT_EQ(sink.logins(), 1);
}
