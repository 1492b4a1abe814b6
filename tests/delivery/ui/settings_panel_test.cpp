// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_fixture.h"

#include "operator.h"

#include "common/cp932.h"
#include "smtp/smtp_settings.h"
#include "smtp/ui/smtp_settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStackedWidget>
#include <QTemporaryDir>
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

// Typed into SMTP詳細設定 as an operator would; config.ini keeps its bytes and the
// password lands in a file only its owner can read (no secret store here).
TEST(SettingsPanel, SmtpDetailsAreSavedOwnerOnlyBesideAnUntouchedConfig)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // no secret store: the file takes the password
    Panels p;
    p.settings.show();
    const QByteArray config = "\"\",\"a.txt\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                              "\"smtp.example.jp\",\"shop@example.jp\"\r\n";
    writeBytes(p.dir.config(), config);
    p.settings.readSettings();
    QWidget* dialog = p.openSmtpDetails();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->windowTitle(), u"SMTP詳細設定"_s);

    op::click(dialog->findChild<QLineEdit*>(u"smtpPort"_s));
    op::type(u"587"_s);
    typeStartTlsLogin(dialog, u"shop"_s, u"s3cret"_s);
    ASSERT_TRUE(saveSmtpDetails(dialog));

    EXPECT_TRUE(p.prompts.asked.isEmpty());
    const QString path = p.home.path(u"smtp.ini"_s);
    EXPECT_EQ(readBytes(path), QByteArray("[smtp]\r\nport=587\r\nsecurity=starttls\r\nuser=shop\r\npassword=s3cret\r\n"
                                          "from_name=\r\npause_seconds=6.912\r\nca_file=\r\ncatch_up_days=7\r\nretry_days=3\r\nmax_per_connection=100\r\nnotify_sent=0\r\n"));
    EXPECT_EQ(QFile::permissions(path) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
              QFile::Permissions());
    EXPECT_EQ(readBytes(p.dir.config()), config);
}

namespace {

// A desktop's secret store, really started: a private session bus with an
// unlocked gnome-keyring on it, for this test process alone.
class SecretStore {
public:
    SecretStore()
    {
        bus_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        if (!bus_.waitForReadyRead(5000))
            return;
        const QByteArray address = bus_.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QString::fromLatin1(name), home_.path());
        QProcess keyring;
        keyring.setProcessEnvironment(env);
        keyring.start(u"gnome-keyring-daemon"_s, {u"--unlock"_s, u"--components=secrets"_s, u"--daemonize"_s});
        keyring.write("unlock");
        keyring.closeWriteChannel();
        started_ = keyring.waitForFinished(10000) && keyring.exitCode() == 0 && secretsServed(QString::fromUtf8(address));
    }
    ~SecretStore() { bus_.kill(); bus_.waitForFinished(); } // the keyring leaves with its bus
    bool started() const { return started_; }

private:
    // The keyring returns from --daemonize before it has taken its name on the
    // bus; a password saved in that moment would go to the file instead.
    static bool secretsServed(const QString& address)
    {
        bool served = false;
        {
            QDBusConnection probe = QDBusConnection::connectToBus(address, u"secrets-probe"_s);
            served = waitUntil([&] { return probe.interface()->isServiceRegistered(u"org.freedesktop.secrets"_s).value(); },
                               15000);
        }
        QDBusConnection::disconnectFromBus(u"secrets-probe"_s);
        return served;
    }

    QTemporaryDir home_;
    QProcess bus_;
    bool started_ = false;
};

} // namespace

// With a secret store on the desktop the password saved in SMTP詳細設定 goes
// there, never into smtp.ini, and every send finds it again.
TEST(SettingsPanel, SmtpPasswordGoesToTheDesktopsSecretStoreNotTheFile)
{
    SecretStore store;
    ASSERT_TRUE(store.started());
    Panels p;
    p.settings.show();
    QWidget* dialog = p.openSmtpDetails();
    ASSERT_EQ(dialog->windowTitle(), u"SMTP詳細設定"_s);
    typeStartTlsLogin(dialog, u"shop"_s, u"s3cret"_s);
    ASSERT_TRUE(saveSmtpDetails(dialog));

    EXPECT_TRUE(p.prompts.asked.isEmpty());
    EXPECT_EQ(readBytes(p.home.path(u"smtp.ini"_s)),
              QByteArray("[smtp]\r\nport=\r\nsecurity=starttls\r\nuser=shop\r\npassword=\r\n"
                         "from_name=\r\npause_seconds=6.912\r\nca_file=\r\ncatch_up_days=7\r\nretry_days=3\r\nmax_per_connection=100\r\nnotify_sent=0\r\n"));
    const auto read = readSmtpSettings(p.home.root());
    ASSERT_TRUE(read) << read.error().message.toStdString();
    EXPECT_EQ(read->password, u"s3cret"_s);

    // For the timer, which may find the store locked, the operator keeps it in the file instead.
    dialog = p.openSmtpDetails();
    auto* password = dialog->findChild<QLineEdit*>(u"smtpPassword"_s);
    ASSERT_TRUE(waitUntil([password] { return password->text() == u"s3cret"_s; }));
    op::click(dialog->findChild<QCheckBox*>(u"smtpPasswordInFile"_s));
    ASSERT_TRUE(saveSmtpDetails(dialog));
    EXPECT_TRUE(readBytes(p.home.path(u"smtp.ini"_s)).contains("\r\npassword=s3cret\r\n"));
}

namespace {

// The user's systemd as far as 自動送信 talks to it: systemctl keeps what it was
// asked in systemctl.log and knows whether the timer is on; loginctl says the
// user does not linger.
void writeUsersSystemd(const TestHome& home)
{
    writeBytes(home.path(u"systemctl"_s), "#!/bin/sh\n"
                                          "d=$(dirname \"$0\")\n"
                                          "echo \"$*\" >> \"$d/systemctl.log\"\n"
                                          "case \"$*\" in\n"
                                          "*' enable '*) touch \"$d/timer-on\" ;;\n"
                                          "*' disable '*) rm -f \"$d/timer-on\" ;;\n"
                                          "*' show '*) echo LoadState=loaded\n"
                                          "  if [ -e \"$d/timer-on\" ]; then\n"
                                          "    echo UnitFileState=enabled; echo NextElapseUSecRealtime=@1107913500\n"
                                          "  else echo UnitFileState=disabled; echo NextElapseUSecRealtime=; fi ;;\n"
                                          "esac\n");
    writeBytes(home.path(u"loginctl"_s), "#!/bin/sh\necho no\n");
    for (const QString& name : {u"systemctl"_s, u"loginctl"_s})
        QFile::setPermissions(home.path(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

// 自動送信 switches the installed timer through the user's systemd, for this
// folder, shows when it runs next and how to keep it running after logout.
TEST(SettingsPanel, AutoSendSwitchesTheUsersTimerForThisFolder)
{
    Panels p;
    writeUsersSystemd(p.home);
    p.settings.show();
    p.settings.refreshAutoSend();
    auto* box = p.find<QCheckBox>(u"autoSend"_s);
    ASSERT_TRUE(waitUntil([box] { return box->isEnabled(); }));
    EXPECT_FALSE(box->isChecked());

    op::click(box);
    ASSERT_TRUE(waitUntil([box] { return box->isEnabled() && box->isChecked(); }));
    const QString shown = p.find<QLabel>(u"autoSendState"_s)->text();
    EXPECT_TRUE(shown.startsWith(u"次回 "_s + QDateTime::fromSecsSinceEpoch(1107913500).toString(u"M/d H:mm"_s)))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(u"loginctl enable-linger"_s));
    const QString dropIn = QString::fromUtf8(readBytes(p.timer.dropInPath()));
    EXPECT_TRUE(dropIn.contains(u"\nExecStart=\nExecStart=\""_s)) << dropIn.toStdString();
    EXPECT_TRUE(dropIn.contains(u"\" --send-due --home \""_s + p.home.root() + u"\"\n"_s)) << dropIn.toStdString();

    op::click(box);
    ASSERT_TRUE(waitUntil([box] { return box->isEnabled() && !box->isChecked(); }));
    EXPECT_FALSE(QFile::exists(p.timer.dropInPath()));
    const QString show = u"--user show ladderpost-send.timer --timestamp=unix "
                         u"--property=LoadState,UnitFileState,NextElapseUSecRealtime\n"_s;
    EXPECT_EQ(QString::fromUtf8(readBytes(p.home.path(u"systemctl.log"_s))),
              show + u"--user daemon-reload\n--user enable --now ladderpost-send.timer\n"_s + show
                  + u"--user disable --now ladderpost-send.timer\n"_s + show);
}

// 配信者情報 typed as an operator would: sender.ini in Shift-JIS, and an
// unsubscribe address no mail program could write to is refused.
TEST(SettingsPanel, SenderNoticeIsSavedForEveryMailAndABadAddressRefused)
{
    Panels p;
    p.settings.show();
    op::click(p.find<QPushButton>(u"senderNoticeButton"_s));
    QWidget* dialog = QApplication::activeWindow();
    ASSERT_EQ(dialog->windowTitle(), u"配信者情報"_s);
    for (const auto& [box, text] : {std::pair{u"senderName"_s, u"山田商店"_s},
                                    std::pair{u"senderPostalAddress"_s, u"東京都千代田区1-1"_s},
                                    std::pair{u"senderContact"_s, u"03-1234-5678"_s},
                                    std::pair{u"senderUnsubscribeAddress"_s, u"停止@example.jp"_s}}) {
        op::click(dialog->findChild<QLineEdit*>(box));
        op::type(text);
    }
    op::click(dialog->findChild<QPushButton*>(u"senderSaveButton"_s));
    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_FALSE(QFile::exists(p.home.path(u"sender.ini"_s)));

    auto* address = dialog->findChild<QLineEdit*>(u"senderUnsubscribeAddress"_s);
    op::click(address);
    address->selectAll();
    op::type(u"stop@example.jp"_s);
    op::click(dialog->findChild<QPushButton*>(u"senderSaveButton"_s));
    EXPECT_EQ(readBytes(p.home.path(u"sender.ini"_s)),
              toCp932(u"[sender]\r\nname=山田商店\r\npostal_address=東京都千代田区1-1\r\ncontact=03-1234-5678\r\n"
                      u"unsubscribe_address=stop@example.jp\r\nunsubscribe_url=\r\n"_s));
}

// SMTP詳細設定 opens once however often it is asked for, and 接続テスト goes to
// the server box as it is now, not as it was when the dialog opened.
TEST(SettingsPanel, SmtpDetailsOpenOnceAndTestTheServerBoxAsItIsNow)
{
    Panels p;
    p.settings.show();
    p.setText(u"Text21"_s, u"127.0.0.1:1"_s);
    QWidget* dialog = p.openSmtpDetails();
    p.find<QPushButton>(u"smtpDetailsButton"_s)->click();
    EXPECT_EQ(p.settings.findChildren<SmtpSettingsDialog*>().size(), 1);

    p.setText(u"Text21"_s, u"mail.example.jp:587"_s);
    op::click(dialog->findChild<QPushButton*>(u"smtpTestButton"_s));
    auto* answers = dialog->findChild<QPlainTextEdit*>(u"smtpTestAnswers"_s);
    ASSERT_TRUE(waitUntil([answers] { return !answers->toPlainText().contains(u"接続しています"_s); }, 20000));
    EXPECT_TRUE(answers->toPlainText().startsWith(u"接続できました。"_s)) << answers->toPlainText().toStdString();
    EXPECT_EQ(p.transport.testedServers, QStringList{u"mail.example.jp:587"_s});
}
