// SPDX-License-Identifier: GPL-3.0-or-later
#include "imap_server.h"

#include "test_support.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool answers(int port)
{
    for (int tries = 0; tries < 100; ++tries) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(port));
        if (socket.waitForConnected(100) && socket.waitForReadyRead(2000))
            return socket.readAll().startsWith("* OK");
        QThread::msleep(50);
    }
    return false;
}

// Dovecot refuses mail access and login processes as root: a root test
// runs them as the package's own users and hands the Maildir to nobody.
struct Users {
    uid_t mailUid;
    gid_t mailGid;
    QString internal;
    QString login;
};

Users users()
{
    if (::geteuid() != 0) {
        const QString me = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        return {::geteuid(), ::getegid(), me, me};
    }
    const passwd* nobody = ::getpwnam("nobody");
    return {nobody->pw_uid, nobody->pw_gid, u"dovecot"_s, u"dovenull"_s};
}

void handOver(const QString& path)
{
    const Users u = users();
    if (::chown(QFile::encodeName(path).constData(), u.mailUid, u.mailGid) != 0)
        qWarning("chown %s failed", qPrintable(path));
}

} // namespace

ImapServer::ImapServer(const QString& introspectionUrl)
{
    const QDir dir(folder_.path());
    for (const char* sub : {"run", "state", "Maildir/cur", "Maildir/new", "Maildir/tmp"})
        dir.mkpath(QString::fromLatin1(sub));
    const Users u = users();
    if (::geteuid() == 0) {
        QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup
                                                  | QFile::ExeOther | QFile::ReadGroup | QFile::ReadOther);
        for (const char* sub : {"Maildir", "Maildir/cur", "Maildir/new", "Maildir/tmp"})
            handOver(dir.filePath(QString::fromLatin1(sub)));
    }
    port_ = freePort();
    writeBytes(dir.filePath(u"passwd"_s),
               u"shop:{PLAIN}secret:%1:%2::%3\n"_s.arg(u.mailUid).arg(u.mailGid).arg(folder_.path()).toUtf8());
    const QString config = uR"(protocols = imap
listen = 127.0.0.1
base_dir = %1/run
state_dir = %1/state
log_path = %1/log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login
auth_failure_delay = 0
default_internal_user = %2
default_internal_group = %2
default_login_user = %3
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u %1/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u %1/passwd
}
service imap-login {
  chroot =
  inet_listener imap {
    address = 127.0.0.1
    port = %4
  }
  inet_listener imaps {
    port = 0
  }
}
# A wrong password must not slow the next test's right one.
service anvil {
  chroot =
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
)"_s.arg(folder_.path(), u.internal, u.login)
                               .arg(port_);
    QString oauth;
    if (!introspectionUrl.isEmpty()) {
        writeBytes(dir.filePath(u"oauth2.conf.ext"_s),
                   u"introspection_mode = post\nintrospection_url = %1\nusername_attribute = username\n"
                   u"active_attribute = active\nactive_value = true\n"_s.arg(introspectionUrl).toUtf8());
        oauth = uR"(auth_mechanisms = plain login xoauth2 oauthbearer
passdb {
  driver = oauth2
  mechanisms = xoauth2 oauthbearer
  args = %1/oauth2.conf.ext
}
)"_s.arg(folder_.path());
    }
    writeBytes(dir.filePath(u"dovecot.conf"_s), (config + oauth).toUtf8());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test that dies must not leave Dovecot holding its output open (ctest would wait for it).
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start(u"/usr/sbin/dovecot"_s, {u"-F"_s, u"-c"_s, dir.filePath(u"dovecot.conf"_s)});
    if (!process_.waitForStarted(5000) || !answers(port_))
        port_ = 0;
}

ImapServer::~ImapServer() { stop(); }

void ImapServer::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(10000))
        process_.kill();
}

QString ImapServer::server() const { return u"127.0.0.1:%1"_s.arg(port_); }

QString ImapServer::maildir() const { return QDir(folder_.path()).filePath(u"Maildir"_s); }

void ImapServer::deliver(const QByteArray& raw, const QString& flags)
{
    const QString path = u"%1/cur/%2.ladderpost-test:2,%3"_s.arg(maildir()).arg(1733700000 + ++delivered_).arg(flags);
    writeBytes(path, raw);
    if (::geteuid() == 0)
        handOver(path);
}

QMap<QString, QByteArray> ImapServer::messages() const
{
    QMap<QString, QByteArray> found;
    for (const char* sub : {"cur", "new"}) {
        const QDir box(QDir(maildir()).filePath(QString::fromLatin1(sub)));
        for (const QString& name : box.entryList(QDir::Files))
            found.insert(QString::fromLatin1(sub) + u'/' + name, readBytes(box.filePath(name)));
    }
    return found;
}
