// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_fixture.h"

#include "operator.h"

#include "delivery/smtp_settings.h"

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
    op::click(dialog->findChild<QPushButton*>(u"smtpSaveButton"_s));

    EXPECT_TRUE(p.prompts.asked.isEmpty());
    const QString path = p.home.path(u"smtp.ini"_s);
    EXPECT_EQ(readBytes(path), QByteArray("[smtp]\r\nport=587\r\nsecurity=starttls\r\nuser=shop\r\npassword=s3cret\r\n"
                                          "from_name=\r\npause_seconds=6.912\r\nca_file=\r\ncatch_up_days=7\r\nretry_days=3\r\nmax_per_connection=100\r\n"));
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
    op::click(dialog->findChild<QPushButton*>(u"smtpSaveButton"_s));

    EXPECT_TRUE(p.prompts.asked.isEmpty());
    EXPECT_EQ(readBytes(p.home.path(u"smtp.ini"_s)),
              QByteArray("[smtp]\r\nport=\r\nsecurity=starttls\r\nuser=shop\r\npassword=\r\n"
                         "from_name=\r\npause_seconds=6.912\r\nca_file=\r\ncatch_up_days=7\r\nretry_days=3\r\nmax_per_connection=100\r\n"));
    const auto read = readSmtpSettings(p.home.root());
    ASSERT_TRUE(read) << read.error().message.toStdString();
    EXPECT_EQ(read->password, u"s3cret"_s);
}
