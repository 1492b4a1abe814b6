// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp_sink.h"

#include "test_support.h"

#include <QDir>
#include <QJsonDocument>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SmtpSink::SmtpSink(int port, Greeting greeting)
{
    QStringList arguments{QStringLiteral(LADDERPOST_TEST_DIR "/smtp/smtp_sink.py"), folder_.path(),
                          QString::number(port)};
    if (greeting == Greeting::Busy421)
        arguments << QStringLiteral("--busy");
    start(arguments);
}

SmtpSink::SmtpSink(const QStringList& options)
{
    start(QStringList{QStringLiteral(LADDERPOST_TEST_DIR "/smtp/smtp_sink.py"), folder_.path(), u"0"_s}
          + options);
}

void SmtpSink::start(const QStringList& arguments)
{
    process_.start(QStringLiteral(LADDERPOST_SYSTEM_PYTHON), arguments);
    if (process_.waitForStarted(5000) && process_.waitForReadyRead(10000))
        port_ = process_.readLine().trimmed().toInt();
}

SmtpSink::~SmtpSink() { stop(); }

void SmtpSink::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000))
        process_.kill();
}

void SmtpSink::kill()
{
    const auto pid = pid_t(process_.processId());
    if (pid <= 0)
        return; // never 0: that would be the test's own process group
    ::kill(pid, SIGKILL);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(quint16(port_));
    for (int tries = 0; tries < 500; ++tries) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const bool listening = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        ::close(fd);
        if (!listening)
            return;
        QThread::msleep(10);
    }
}

QString SmtpSink::server() const { return u"127.0.0.1:%1"_s.arg(port_); }

int SmtpSink::logins() const { return int(readBytes(folder_.filePath(u"logins"_s)).count('\n')); }

int SmtpSink::connections() const { return int(readBytes(folder_.filePath(u"connections"_s)).count('\n')); }

QList<QJsonObject> SmtpSink::received() const
{
    QList<QJsonObject> mails;
    for (const QString& name : QDir(folder_.path()).entryList({u"*.json"_s}, QDir::Files, QDir::Name))
        mails.append(QJsonDocument::fromJson(readBytes(folder_.filePath(name))).object());
    return mails;
}

SelfSigned::SelfSigned()
{
    QProcess openssl;
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s, u"2"_s,
                                 u"-keyout"_s, key(), u"-out"_s, cert(), u"-subj"_s, u"/CN=Ladderpost test server"_s,
                                 u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s});
    openssl.waitForFinished(60000);
}

OAuthServer::OAuthServer()
{
    process_.start(QStringLiteral(LADDERPOST_SYSTEM_PYTHON),
                   {QStringLiteral(LADDERPOST_TEST_DIR "/smtp/oauth_server.py"), folder_.path()});
    if (process_.waitForStarted(5000) && process_.waitForReadyRead(10000))
        port_ = process_.readLine().trimmed().toInt();
}

OAuthServer::~OAuthServer()
{
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000))
        process_.kill();
}

QString OAuthServer::url(const QString& path) const { return u"http://127.0.0.1:%1/%2"_s.arg(port_).arg(path); }

QList<QJsonObject> OAuthServer::tokenRequests() const
{
    QList<QJsonObject> requests;
    for (const QByteArray& line : readBytes(folder_.filePath(u"requests"_s)).split('\n'))
        if (!line.isEmpty())
            requests.append(QJsonDocument::fromJson(line).object());
    return requests;
}

void OAuthServer::expireAccessTokens()
{
    QByteArray expired;
    for (const QByteArray& line : readBytes(folder_.filePath(u"access_tokens"_s)).split('\n'))
        if (!line.isEmpty())
            expired += line.split(' ').first() + " 0\n";
    writeBytes(folder_.filePath(u"access_tokens"_s), expired);
}

void OAuthServer::revokeRefreshTokens() { writeBytes(folder_.filePath(u"revoked"_s), "*\n"); }

const SelfSigned& SelfSigned::shared()
{
    static const SelfSigned certificate;
    return certificate;
}

QStringList startTlsLogin()
{
    return {u"--starttls"_s, SelfSigned::shared().cert(), SelfSigned::shared().key(), u"--auth"_s, u"shop:secret"_s};
}
